// Start-up: the "-hid" option, the data files, the single-instance rule and the whole program
// run against emulated devices.
#if !defined(_WIN32)
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QLocalServer>
#include <QProcess>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "../common/temp_folder.h"
#include "../common/wait_for.h"
#include "app/startup/command_line.h"
#include "app/startup/program.h"
#include "app/startup/single_instance.h"
#include "main_window_rig.h"
#include "support/text.h"
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

TEST(CommandLineTest, ArgumentsFollowTheProgramNameAsWinMainSeesThem) {
  EXPECT_EQ(app::ArgumentsOfCommandLine(L"kbconfig.exe -hid"), L"-hid");
  EXPECT_EQ(app::ArgumentsOfCommandLine(L"kbconfig.exe \t  -hid x"), L"-hid x");
  EXPECT_EQ(app::ArgumentsOfCommandLine(L"\"C:\\Program Files\\kbconfig\\kbconfig.exe\" -hid"), L"-hid");
  // The quoted name ends at its closing quote, even with more text glued to it.
  EXPECT_EQ(app::ArgumentsOfCommandLine(L"\"C:\\a b\\kbconfig.exe\"-hid"), L"-hid");
  EXPECT_EQ(app::ArgumentsOfCommandLine(L"\"C:\\unclosed -hid"), L"");
  EXPECT_EQ(app::ArgumentsOfCommandLine(L"kbconfig.exe"), L"");
  EXPECT_EQ(app::ArgumentsOfCommandLine(L""), L"");
  EXPECT_EQ(app::ArgumentsOfCommandLine(L"kbconfig.exe \"-hid\" "), L"\"-hid\" ");
}

TEST(CommandLineTest, OnlyTheWholeRawCommandLineHidStartsHidden) {
  for (const wchar_t* hidden : {L"kbconfig.exe -hid", L"kbconfig.exe   -hid", L"\"C:\\kb config\\kbconfig.exe\" -hid"}) {
    EXPECT_TRUE(app::CommandLineStartsHidden(hidden)) << support::WideToUtf8(hidden);
  }
  // argv would read the first two as "-hid"; the raw command line does not.
  for (const wchar_t* shown : {L"kbconfig.exe \"-hid\"", L"kbconfig.exe -hid ", L"kbconfig.exe -HID",
                               L"kbconfig.exe -hid x", L"kbconfig.exe -hidden", L"kbconfig.exe", L"-hid"}) {
    EXPECT_FALSE(app::CommandLineStartsHidden(shown)) << support::WideToUtf8(shown);
  }
}

// A unique instance name per test process, so parallel test runs never meet.
QString UniqueName(const char* what) {
  return QString("kbconfig-test-%1-%2").arg(what).arg(QCoreApplication::applicationPid());
}

// The running instance, in a thread with its own event loop as another process would have it:
// a second start waits until its message is read, which on Windows (a named pipe) happens only
// once the first instance's loop has taken the connection.
class FirstInstanceThread : public QThread {
 public:
  FirstInstanceThread(QString name, std::filesystem::path folder)
      : name_(std::move(name)), folder_(std::move(folder)) {
    start();
    acquired_.acquire();
  }
  ~FirstInstanceThread() override {
    quit();
    wait();
  }
  app::SingleInstance::Role Role() const { return role_; }
  int Activations() const { return activations_; }

 private:
  void run() override {
    app::SingleInstance instance(name_, folder_);
    role_ = instance.Acquire();
    QObject::connect(&instance, &app::SingleInstance::ActivationRequested, [this] { ++activations_; });
    acquired_.release();
    exec();
  }

  QString name_;
  std::filesystem::path folder_;
  QSemaphore acquired_;
  std::atomic<app::SingleInstance::Role> role_{app::SingleInstance::Role::kAnotherRunning};
  std::atomic<int> activations_{0};
};

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApplication(); }
  testsupport::TempFolder folder{"kb_instance"};
};

TEST_F(SingleInstanceTest, SecondStartAsksTheFirstToShowItsWindow) {
  const QString name = UniqueName("second");
  FirstInstanceThread first(name, folder.Path());
  ASSERT_EQ(first.Role(), app::SingleInstance::Role::kFirst);
  {
    app::SingleInstance second(name, folder.Path());
    EXPECT_EQ(second.Acquire(), app::SingleInstance::Role::kAnotherRunning);
    EXPECT_FALSE(second.IsFirst());
  }
  EXPECT_TRUE(testsupport::WaitFor([&first] { return first.Activations() > 0; }));
  EXPECT_EQ(first.Activations(), 1);
}

TEST_F(SingleInstanceTest, LockOfACrashedInstanceDoesNotBlock) {
  const QString name = UniqueName("crashed");
  // The lock file of a process that has ended, as a crash leaves it: this test program, started
  // to list no tests.
  QProcess ended;
  qint64 endedPid = 0;
  QObject::connect(&ended, &QProcess::started, [&] { endedPid = ended.processId(); });
  ended.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=-*"});
  ASSERT_TRUE(ended.waitForFinished(30000)) << ended.errorString().toStdString();
  ASSERT_NE(endedPid, 0);
  // Its content as Qt writes it on this system (host and machine names, as each system gives
  // them), with the ended process's number in place of this one's.
  app::SingleInstance probe(name, folder.Path());
  QByteArray content;
  {
    QLockFile held(probe.LockFilePath());
    ASSERT_TRUE(held.tryLock(0));
    QFile file(probe.LockFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    content = file.readAll();
  }
  const qsizetype pidEnd = content.indexOf('\n');
  ASSERT_GT(pidEnd, 0) << content.toStdString();
  content.replace(0, pidEnd, QByteArray::number(endedPid));
  {
    QFile file(probe.LockFilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content), content.size());
  }
#if !defined(_WIN32)
  // And its socket, bound and never removed. (A Windows named pipe ends with its process.)
  const std::string socketPath = (QDir::tempPath() + "/" + name).toStdString();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socketPath.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
#endif

  FirstInstanceThread restarted(name, folder.Path());
  ASSERT_EQ(restarted.Role(), app::SingleInstance::Role::kFirst);
  // It listens: a later start reaches it.
  app::SingleInstance later(name, folder.Path());
  EXPECT_EQ(later.Acquire(), app::SingleInstance::Role::kAnotherRunning);
  EXPECT_TRUE(testsupport::WaitFor([&restarted] { return restarted.Activations() == 1; }));
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
        .showMessage = [this](QWidget*, const QString&, const QString& text, ui::MessageButtons) {
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
  FirstInstanceThread first(instanceName, folder.Path());
  ASSERT_EQ(first.Role(), app::SingleInstance::Role::kFirst);
  app::ProgramEnvironment environment = Environment();
  environment.onWindowShown = [](ui::CMainDlg&) { ADD_FAILURE() << "a second window"; };
  EXPECT_EQ(app::RunProgram(environment, false), 0);
  EXPECT_TRUE(testsupport::WaitFor([&first] { return first.Activations() == 1; }));
  EXPECT_TRUE(keyboard.Reports().empty());  // the keyboard was never opened
}

}  // namespace
}  // namespace uitest
