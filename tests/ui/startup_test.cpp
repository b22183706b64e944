// Start-up: the "-hid" option, the data files, the single-instance rule and the whole program
// run against emulated devices.
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include "../common/temp_folder.h"
#include "app/startup/command_line.h"
#include "app/startup/program.h"
#include "app/startup/single_instance.h"
#include "main_window_rig.h"
#include "qt_test_app.h"

namespace uitest {
namespace {

TEST(CommandLineTest, OnlyExactlyHidStartsHidden) {
  const char* hid[] = {"kbconfig", "-hid", nullptr};
  EXPECT_TRUE(app::StartsHidden(2, hid));
  const char* none[] = {"kbconfig", nullptr};
  EXPECT_FALSE(app::StartsHidden(1, none));
  for (const char* other : {"-HID", "-Hid", "-hid ", " -hid", "-hidden", "hid", ""}) {
    const char* args[] = {"kbconfig", other, nullptr};
    EXPECT_FALSE(app::StartsHidden(2, args)) << other;
  }
  const char* more[] = {"kbconfig", "-hid", "x", nullptr};
  EXPECT_FALSE(app::StartsHidden(3, more));
}

// A unique instance name per test process, so parallel test runs never meet.
QString UniqueName(const char* what) {
  return QString("kbconfig-test-%1-%2").arg(what).arg(QCoreApplication::applicationPid());
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }
  testsupport::TempFolder folder{"kb_instance"};
};

TEST_F(SingleInstanceTest, SecondStartAsksTheFirstToShowItsWindow) {
  const QString name = UniqueName("second");
  app::SingleInstance first(name, folder.Path());
  ASSERT_EQ(first.Acquire(), app::SingleInstance::Role::kFirst);
  QSignalSpy activations(&first, &app::SingleInstance::ActivationRequested);
  {
    app::SingleInstance second(name, folder.Path());
    EXPECT_EQ(second.Acquire(), app::SingleInstance::Role::kAnotherRunning);
    EXPECT_FALSE(second.IsFirst());
  }
  EXPECT_TRUE(activations.wait(5000) || activations.count() == 1);
  EXPECT_EQ(activations.count(), 1);
}

TEST_F(SingleInstanceTest, LockOfACrashedInstanceDoesNotBlock) {
  const QString name = UniqueName("crashed");
  // The lock file of a process that has ended, as a crash leaves it.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  app::SingleInstance probe(name, folder.Path());
  {
    std::ofstream lock(probe.LockFilePath().toStdString());
    lock << child << "\n" << QCoreApplication::applicationName().toStdString() << "\n"
         << QSysInfo::machineHostName().toStdString() << "\n";
  }
  // And its socket, bound and never removed.
  const std::string socketPath = (QDir::tempPath() + "/" + name).toStdString();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socketPath.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);

  app::SingleInstance restarted(name, folder.Path());
  ASSERT_EQ(restarted.Acquire(), app::SingleInstance::Role::kFirst);
  // It listens: a later start reaches it.
  QSignalSpy activations(&restarted, &app::SingleInstance::ActivationRequested);
  app::SingleInstance later(name, folder.Path());
  EXPECT_EQ(later.Acquire(), app::SingleInstance::Role::kAnotherRunning);
  EXPECT_TRUE(activations.wait(5000) || activations.count() == 1);
}

TEST_F(SingleInstanceTest, ReleasedOnDestruction) {
  const QString name = UniqueName("released");
  {
    app::SingleInstance first(name, folder.Path());
    ASSERT_EQ(first.Acquire(), app::SingleInstance::Role::kFirst);
  }
  app::SingleInstance next(name, folder.Path());
  EXPECT_EQ(next.Acquire(), app::SingleInstance::Role::kFirst);
}

// The program run against emulated devices in a folder of its own, with a copy of the resources
// whose instance name is unique to this test process.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    std::filesystem::copy(KBCONFIG_UIRES_DIR, folder / "uires", std::filesystem::copy_options::recursive);
    std::ofstream(folder / "uires" / "values" / "string.xml")
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<string>\n\t<item name=\"instance\">"
        << instanceName.toStdString() << "</item>\n</string>\n";
    std::filesystem::copy_file(std::filesystem::path(KBCONFIG_SOURCE_DIR) / "config" / "config.xml",
                               folder / "config.xml");
  }

  // The program in this fixture's world; `hid` replaces the emulated keyboard.
  app::ProgramEnvironment Environment(platform::HidSystem* hid = nullptr) {
    return app::ProgramEnvironment{
        .hid = hid != nullptr ? *hid : keyboard,
        .filters = filter,
        .virtualDevice = virtualDevice,
        .config = config,
        .macros = macros,
        .records = records,
        .sides = sides,
        .effects = effects,
        .clock = support::SteadyClock::Instance(),
        .programFolder = folder.Path(),
        .lockFolder = folder.Path(),
        .changeWorkingFolder = false,
        .trayAvailable = false,
        .ensureVirtualDevice = [this] { ++ensureCalls; },
        .showMessage = [this](QWidget*, const QString&, const QString& text, ui::MessageButtons, ui::MessageIcon) {
          messages.push_back(text);
          return ui::kMessageOk;
        },
        .onWindowShown = {}};
  }

  QString instanceName = UniqueName("program");
  testsupport::TempFolder folder{"kb_program"};
  sim::SimHidSystem keyboard;
  sim::SimKeyFilterDriver filter;
  sim::SimVirtualHid virtualHid;
  hostdrv::VHidev virtualDevice{virtualHid};
  model::AppConfig config;
  model::MacroLibrary macros;
  model::RecordStore records;
  model::SideModelStore sides;
  model::LedEffectStore effects;
  int ensureCalls = 0;
  std::vector<QString> messages;
};

TEST_F(ProgramTest, WithoutKeyboardShowsTheMessageAndEnds) {
  sim::SimHidSystem absent(sim::KeyboardSpec{});
  app::ProgramEnvironment withoutKeyboard = Environment(&absent);
  withoutKeyboard.onWindowShown = [](ui::CMainDlg&) { ADD_FAILURE() << "window shown"; };
  EXPECT_EQ(app::RunProgram(withoutKeyboard, false), 0);
  EXPECT_EQ(messages, std::vector<QString>{"Please insert USB device!"});
  EXPECT_EQ(ensureCalls, 1);
  // The configuration was read and the data files written with their defaults before the window.
  EXPECT_EQ(config.selector.vid, 0x1A2B);
  EXPECT_TRUE(std::filesystem::exists(folder / "ledeffect.xml"));
  EXPECT_TRUE(std::filesystem::exists(folder / "sidemodel.xml"));
}

TEST_F(ProgramTest, UnreadableResourcesAreToldAndEndWithOne) {
  std::ofstream(folder / "uires" / "index.xml") << "<resource><LAYOUT><file name='XML_MAINWND'";
  app::ProgramEnvironment environment = Environment();
  environment.onWindowShown = [](ui::CMainDlg&) { ADD_FAILURE() << "window shown"; };
  EXPECT_EQ(app::RunProgram(environment, false), 1);
  ASSERT_EQ(messages.size(), 1u);
  const std::string text = messages[0].toStdString();
  EXPECT_TRUE(messages[0].startsWith("kbconfig cannot start: its resources are unreadable")) << text;
  EXPECT_TRUE(messages[0].contains("index.xml")) << text;
  EXPECT_TRUE(keyboard.Reports().empty());
}

TEST_F(ProgramTest, RunsUntilTheKeyboardIsUnplugged) {
  app::ProgramEnvironment environment = Environment();
  bool shownVisible = false;
  environment.onWindowShown = [this, &shownVisible](ui::CMainDlg& window) {
    shownVisible = window.isVisible();
    QTimer::singleShot(50, [this] { keyboard.Unplug(); });
  };
  EXPECT_EQ(app::RunProgram(environment, false), 0);
  EXPECT_TRUE(shownVisible);
  EXPECT_TRUE(messages.empty());
  ASSERT_FALSE(keyboard.Reports().empty());
  EXPECT_EQ(Hex(keyboard.Reports()[0].bytes), "07 f1 00 00 00 00 00 00");
}

TEST_F(ProgramTest, HiddenStartKeepsTheWindowAway) {
  app::ProgramEnvironment environment = Environment();
  bool shownVisible = true;
  environment.onWindowShown = [&shownVisible](ui::CMainDlg& window) {
    // Without a notification area the window is minimised rather than unreachable.
    shownVisible = window.isVisible() && !window.isMinimized();
    QTimer::singleShot(0, &window, [&window] { window.DestroyWindow(); });
  };
  EXPECT_EQ(app::RunProgram(environment, true), 0);
  EXPECT_FALSE(shownVisible);
}

TEST_F(ProgramTest, SecondInstanceBringsTheFirstForwardAndEndsWithZero) {
  app::SingleInstance first(instanceName, folder.Path());
  ASSERT_EQ(first.Acquire(), app::SingleInstance::Role::kFirst);
  QSignalSpy activations(&first, &app::SingleInstance::ActivationRequested);
  app::ProgramEnvironment environment = Environment();
  environment.onWindowShown = [](ui::CMainDlg&) { ADD_FAILURE() << "a second window"; };
  EXPECT_EQ(app::RunProgram(environment, false), 0);
  EXPECT_TRUE(activations.wait(5000) || activations.count() == 1);
  EXPECT_TRUE(keyboard.Reports().empty());  // the keyboard was never opened
}

}  // namespace
}  // namespace uitest
