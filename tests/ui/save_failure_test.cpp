// Saves that fail tell the user once per failure: with the data folder on a read-only file
// system and on a full one (a small tmpfs of this process's own), and from another thread.
#include <QCoreApplication>
#include <QSlider>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "main_window_rig.h"
#include "qt_test_app.h"
#include "tests/common/private_mounts.h"
#include "ui/save_notice/save_failure_notice.h"
#include "ui/toolkit/qt_path.h"

namespace uitest {
namespace {

std::vector<QString> SaveNotices(const MainWindowRig& rig) {
  std::vector<QString> notices;
  for (const ShownMessage& message : rig.messages) {
    if (message.text.contains("kbconfig could not save") || message.text.contains("kbconfig 无法保存")) {
      notices.push_back(message.text);
    }
  }
  return notices;
}

struct DiskTrouble {
  const char* name;
  QString reason;  // what the system says
  std::function<bool(const testsupport::SmallTmpfs&, const std::filesystem::path& folder)> begin, end;
};

TEST(SaveFailureTest, EachFailureIsToldOnceWithTheFileAndTheSystemsReasonInBothLanguages) {
  const std::vector<DiskTrouble> troubles = {
      {"read-only data folder", "Read-only file system",
       [](const auto& fs, const auto&) { return fs.SetReadOnly(true); },
       [](const auto& fs, const auto&) { return fs.SetReadOnly(false); }},
      {"full file system", "No space left on device",
       [](const auto& fs, const auto& folder) { return fs.FillWith(folder / "filler"); },
       [](const auto&, const auto& folder) { return std::filesystem::remove(folder / "filler"); }},
  };
  if (!testsupport::PrivateMountsUnavailable().empty()) {
    GTEST_SKIP() << "this machine cannot mount a file system for the test: " << testsupport::PrivateMountsUnavailable();
  }
  for (const DiskTrouble& trouble : troubles) {
    SCOPED_TRACE(trouble.name);
    MainWindowRig rig;
    const std::filesystem::path folder = rig.folder.Path();
    const testsupport::SmallTmpfs fs(folder, 256 * 1024);
    ASSERT_EQ(fs.Error(), "");
    rig.LoadDataFiles();
    ASSERT_TRUE(rig.Start());
    auto* side = rig.Control<QSlider>("bar_side_brightness");
    const auto moveSlider = [side](int times) {
      for (int move = 0; move < times; ++move) {
        side->setValue(side->value() == 3 ? 4 : 3);
        MainWindowRig::ProcessEvents();
      }
    };

    const std::string sideFile = rig.ReadFile("sidemodel.xml");
    ASSERT_TRUE(trouble.begin(fs, folder));
    moveSlider(50);
    EXPECT_EQ(rig.ReadFile("sidemodel.xml"), sideFile);
    ASSERT_EQ(SaveNotices(rig).size(), 1u);
    EXPECT_EQ(SaveNotices(rig)[0], "kbconfig could not save " + ui::BreakablePath(folder / "sidemodel.xml") + ": " +
                                       trouble.reason +
                                       ".\n\nYour settings stay as they are while kbconfig runs, and kbconfig tries "
                                       "to save them again with your next change.");

    // A restore saves all four files: one notice for the three that had not failed yet.
    rig.window->FactoryRestore();
    MainWindowRig::ProcessEvents();
    ASSERT_EQ(SaveNotices(rig).size(), 2u);
    for (const char* name : {"macro.xml", "record.xml", "ledeffect.xml"}) {
      EXPECT_TRUE(SaveNotices(rig)[1].contains(ui::BreakablePath(folder / name))) << name;
    }
    EXPECT_FALSE(SaveNotices(rig)[1].contains("sidemodel.xml"));

    // Room again: the next change saves what memory holds, silently; a new failure is told again.
    ASSERT_TRUE(trouble.end(fs, folder));
    moveSlider(1);
    EXPECT_NE(rig.ReadFile("sidemodel.xml"), sideFile);
    EXPECT_EQ(SaveNotices(rig).size(), 2u);
    rig.language.Switch("lang_cn");
    ASSERT_TRUE(trouble.begin(fs, folder));
    moveSlider(3);
    ASSERT_EQ(SaveNotices(rig).size(), 3u);
    EXPECT_TRUE(SaveNotices(rig)[2].startsWith("kbconfig 无法保存 " + ui::BreakablePath(folder / "sidemodel.xml") +
                                               "：" + trouble.reason + "。\n\n在 kbconfig 运行期间"));
    trouble.end(fs, folder);
  }
}

// Stores may save on any thread: the box comes on the window thread, and a failure reported
// while a box is open gets a box of its own after it.
TEST(SaveFailureTest, TheNoticeIsShownOnTheWindowThreadOneBoxAtATime) {
  EnsureApplication();
  std::vector<std::pair<QString, bool>> shown;  // text, on the window thread
  ui::SaveFailureNotice* notice = nullptr;
  ui::SaveFailureNotice owned([&](const QString& text) {
    shown.emplace_back(text, QThread::currentThread() == QCoreApplication::instance()->thread());
    if (shown.size() == 1) notice->Reporter().Report(support::SaveResult::Failed("record.xml", "Disk quota exceeded"));
  });
  notice = &owned;
  std::thread([notice] { notice->Reporter().Report(support::SaveResult::Failed("macro.xml", "I/O error")); }).join();
  EXPECT_TRUE(shown.empty());
  MainWindowRig::ProcessEvents();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].first.contains("macro.xml: I/O error") && shown[0].second);
  EXPECT_TRUE(shown[1].first.contains("record.xml: Disk quota exceeded") && shown[1].second);
}

}  // namespace
}  // namespace uitest

int main(int argc, char** argv) {
  testsupport::EnterPrivateMounts();  // while the process has one thread
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
