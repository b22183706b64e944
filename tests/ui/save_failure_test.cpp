// Saves that fail are told once per failure, with the data folder on a read-only and on a full
// file system: a small tmpfs in this process's own mount namespace, which root cannot write past
// either. main() enters the namespace while the process has one thread.
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSlider>
#include <QThread>
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "main_window_rig.h"
#include "qt_test_app.h"
#include "ui/save_notice/save_failure_notice.h"
#include "ui/toolkit/qt_path.h"

namespace uitest {
namespace {

std::string g_noMounts = "main() did not run";  // why this process cannot mount, or empty

std::string SystemText(const char* call) { return std::string(call) + ": " + std::generic_category().message(errno); }

void EnterPrivateMounts() {
  if (unshare(CLONE_NEWNS) != 0) {  // not root: inside a user namespace of its own
    const std::string uid = "0 " + std::to_string(getuid()) + " 1", gid = "0 " + std::to_string(getgid()) + " 1";
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return void(g_noMounts = SystemText("unshare"));
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << uid;
    std::ofstream("/proc/self/gid_map") << gid;
  }
  g_noMounts = mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 ? "" : SystemText("mount");
}

void ReadOnly(const std::filesystem::path& folder, bool on) {
  ASSERT_EQ(mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | (on ? MS_RDONLY : 0), nullptr), 0);
}

void Full(const std::filesystem::path& folder, bool on) {
  if (!on) return void(std::filesystem::remove(folder / "filler"));
  std::ofstream filler(folder / "filler", std::ios::binary);
  while (filler.write(std::string(512, 'x').data(), 512).flush()) {
  }
}

// The save notices shown (every other message of these tests is the restore's question).
std::vector<QString> SaveNotices(const MainWindowRig& rig) {
  std::vector<QString> notices;
  for (const ShownMessage& message : rig.messages) {
    if (message.text.startsWith("kbconfig")) notices.push_back(message.text);
  }
  return notices;
}

TEST(SaveFailureTest, EachFailureIsToldOnceWithTheFileAndTheSystemsReasonInBothLanguages) {
  if (!g_noMounts.empty()) GTEST_SKIP() << "no file system of the test's own can be mounted here: " << g_noMounts;
  struct Trouble {
    const char* reason;
    void (*set)(const std::filesystem::path& folder, bool on);
  };
  for (const Trouble& trouble : {Trouble{"Read-only file system", ReadOnly}, Trouble{"No space left on device", Full}}) {
    SCOPED_TRACE(trouble.reason);
    MainWindowRig rig;
    const std::filesystem::path folder = rig.folder.Path();
    ASSERT_EQ(mount("kb-test", folder.c_str(), "tmpfs", 0, "size=256k"), 0) << SystemText("mount");
    const struct Unmount {
      std::filesystem::path folder;
      ~Unmount() { umount2(folder.c_str(), MNT_DETACH); }
    } unmount{folder};
    ASSERT_TRUE(rig.LoadAndStart());
    auto* side = rig.Control<QSlider>("bar_side_brightness");
    const auto moveSlider = [side](int times) {
      while (times-- > 0) {
        side->setValue(side->value() == 3 ? 4 : 3);
        MainWindowRig::ProcessEvents();
      }
    };

    // Lighting saves are paced (changes within 100 ms are saved together a little later): each
    // step waits until they are made and their notice has come to the window.
    const auto settleSaves = [&rig] {
      rig.window->WaitForLightingSaves();
      MainWindowRig::ProcessEvents();
    };

    const std::string sideFile = rig.ReadFile("sidemodel.xml");
    trouble.set(folder, true);
    moveSlider(50);
    settleSaves();
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
    trouble.set(folder, false);
    moveSlider(1);
    settleSaves();
    EXPECT_NE(rig.ReadFile("sidemodel.xml"), sideFile);
    EXPECT_EQ(SaveNotices(rig).size(), 2u);
    rig.language.Switch("lang_cn");
    trouble.set(folder, true);
    moveSlider(3);
    settleSaves();
    ASSERT_EQ(SaveNotices(rig).size(), 3u);
    EXPECT_TRUE(SaveNotices(rig)[2].startsWith("kbconfig 无法保存 " + ui::BreakablePath(folder / "sidemodel.xml") +
                                               "：" + trouble.reason + "。\n\n在 kbconfig 运行期间"));
  }
}

// Stores may save on any thread. The box comes on the window thread, without what a later success
// made good or what the user was told otherwise, and a failure reported while a box is open gets
// its own box after it.
TEST(SaveFailureTest, TheNoticeComesOnTheWindowThreadOneBoxAtATime) {
  EnsureApplication();
  std::vector<QString> shown;
  ui::SaveFailureNotice notice([&](const QString& text) {
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    shown.push_back(text);
    if (shown.size() == 1) notice.Reporter().Report(support::SaveResult::Failed("record.xml", "Disk quota exceeded"));
  });
  notice.Reporter().MarkTold("sidemodel.xml");
  std::thread([&notice] {
    notice.Reporter().Report(support::SaveResult::Failed("ledeffect.xml", "I/O error"));
    notice.Reporter().Report(support::SaveResult::Saved("ledeffect.xml"));
    notice.Reporter().Report(support::SaveResult::Failed("sidemodel.xml", "I/O error"));
    notice.Reporter().Report(support::SaveResult::Failed("macro.xml", "I/O error"));
  }).join();
  EXPECT_TRUE(shown.empty());
  MainWindowRig::ProcessEvents();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].startsWith("kbconfig could not save macro.xml: I/O error.\n\n")) << shown[0].toStdString();
  EXPECT_TRUE(shown[1].startsWith("kbconfig could not save record.xml: Disk quota exceeded.\n\n"));
}

}  // namespace
}  // namespace uitest

int main(int argc, char** argv) {
  uitest::EnterPrivateMounts();  // while the process has one thread
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
