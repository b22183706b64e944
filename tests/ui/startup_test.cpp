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

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QLocalServer>
#include <QProcess>
#include <QScreen>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "../common/awkward_folder_name.h"
#include "../common/default_lighting_files.h"
#include "../common/temp_folder.h"
#include "../common/wait_for.h"
#include "app/startup/command_line.h"
#include "app/startup/process_environment.h"
#include "app/startup/program.h"
#include "app/startup/program_folders.h"
#include "app/startup/single_instance.h"
#include "app/startup/startup_notices.h"
#include "model/xml/unreadable_file.h"
#include "platform/sim/sim_foreground_watcher.h"
#include "platform/sim/sim_process.h"
#include "support/logger.h"
#include "tests/common/temp_folder_test.h"
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

// The content of the instance's lock file as Qt writes it on this system (empty if it could not
// be taken or read); the lock is released again.
QByteArray LockAsQtWritesIt(const app::SingleInstance& instance) {
  QLockFile held(instance.LockFilePath());
  if (!held.tryLock(0)) return {};
  QFile file(instance.LockFilePath());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
  QByteArray content = LockAsQtWritesIt(probe);
  ASSERT_FALSE(content.isEmpty());
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
  const QString server = probe.ServerName();
  const std::string socketPath = (QDir::isAbsolutePath(server) ? server : QDir::tempPath() + "/" + server).toStdString();
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

// A lock nobody holds open is a crashed instance's, whatever QLockFile reads in it: after a
// restart (or in a fresh Wine) the system may give a start the very process number the crashed
// instance had, and a computer renamed since leaves a host name QLockFile never calls stale.
TEST_F(SingleInstanceTest, AnUnheldLockIsTakenOverWhateverItNames) {
  const QString name = UniqueName("unheld");
  app::SingleInstance probe(name, folder.Path());
  const QByteArray asWritten = LockAsQtWritesIt(probe);
  // Qt writes the process number, the program's name and the host name, a line each.
  QList<QByteArray> lines = asWritten.split('\n');
  ASSERT_GE(lines.size(), 3) << asWritten.toStdString();
  lines[2] = "a-computer-renamed-since";
  const struct {
    const char* what;
    QByteArray content;
  } cases[] = {{"this very process", asWritten}, {"another host name", lines.join('\n')}};
  for (const auto& leftBehind : cases) {
    SCOPED_TRACE(leftBehind.what);
    {
      QFile file(probe.LockFilePath());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      ASSERT_EQ(file.write(leftBehind.content), leftBehind.content.size());
    }
    app::SingleInstance restarted(name, folder.Path());
    EXPECT_EQ(restarted.Acquire(), app::SingleInstance::Role::kFirst);
  }
}

#if !defined(_WIN32)
// Another user's instance of the same name in the shared temporary folder (a folder stands in
// for its socket, which this user could not remove) keeps neither the lock nor the socket.
// (Windows has no such folder: a named pipe ends with its process.)
TEST_F(SingleInstanceTest, AnotherUsersSocketInTheSharedTemporaryFolderDoesNotStopListening) {
  const QString name = UniqueName("shared");
  const QString shared = QDir::tempPath() + "/" + name;
  ASSERT_TRUE(QDir().mkpath(shared));
  FirstInstanceThread first(name, folder.Path());
  ASSERT_EQ(first.Role(), app::SingleInstance::Role::kFirst);
  app::SingleInstance later(name, folder.Path());
  EXPECT_EQ(later.Acquire(), app::SingleInstance::Role::kAnotherRunning);
  EXPECT_TRUE(testsupport::WaitFor([&first] { return first.Activations() == 1; }));
  QDir().rmdir(shared);
}
#endif

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
        .settings = settings,
        .foreground = foreground,
        .clock = support::SteadyClock::Instance(),
        .folders = app::FoldersBeside(folder.Path()),
        .lockFolder = folder.Path(),
        .changeWorkingFolder = false,
        .trayAvailable = false,
        .ensureVirtualDevice =
            [this] {
              ++ensureCalls;
              return virtualDeviceStatus;
            },
        .showMessage = [this](QWidget*, const QString&, const QString& text, ui::MessageButtons, ui::MessageIcon) {
          messages.push_back(text);
          return ui::kMessageOk;
        },
        .onWindowShown = {},
        .pretendForeground = {}};
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
  model::SettingsStore settings;
  sim::SimForegroundWatcher foreground;
  int ensureCalls = 0;
  app::VirtualDeviceStatus virtualDeviceStatus = app::VirtualDeviceStatus::kOpen;
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
  QRect shownAt, workArea;
  environment.onWindowShown = [this, &shownVisible, &shownAt, &workArea](ui::CMainDlg& window) {
    shownVisible = window.isVisible();
    shownAt = window.frameGeometry();
    workArea = window.screen()->availableGeometry();
    QTimer::singleShot(50, [this] { keyboard.Unplug(); });
  };
  EXPECT_EQ(app::RunProgram(environment, false), 0);
  EXPECT_TRUE(shownVisible);
  // The test platform's screen is smaller than the window's layout: shown, it fits.
  EXPECT_TRUE(workArea.contains(shownAt)) << shownAt.width() << "x" << shownAt.height();
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

// The language picked in the window is the next start's, whatever config.xml says (it stays as
// it was).
TEST_F(ProgramTest, LanguagePickedInTheWindowIsTheNextStarts) {
  const std::string configBefore = testsupport::ReadFileText(folder / "config.xml");
  QString titles;
  for (const char* button : {"zh_cn", "jp", ""}) {
    app::ProgramEnvironment environment = Environment();  // each start reads settings.xml anew
    environment.onWindowShown = [&titles, button](ui::CMainDlg& window) {
      titles += window.windowTitle() + "|";
      if (*button != 0) window.findChild<QAbstractButton*>(button)->click();
      QTimer::singleShot(0, &window, [&window] { window.DestroyWindow(); });
    };
    EXPECT_EQ(app::RunProgram(environment, false), 0);
  }
  EXPECT_EQ(titles, QString::fromUtf8("Keyboard Configuration|键盘配置|Keyboard Configuration|"));
  EXPECT_EQ(testsupport::ReadFileText(folder / "config.xml"), configBefore);
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

// Where the program looks for its resources and keeps its data.
class ProgramFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(package);
    std::filesystem::create_directories(home);
  }

  testsupport::TempFolder root{"kb_folders"};
  const std::filesystem::path bin = root / "usr" / "bin";
  const std::filesystem::path package = root / "usr" / "share" / "kbconfig";
  const std::filesystem::path home = root / "home" / "user";
};

TEST_F(ProgramFoldersTest, AProgramFolderWithItsOwnConfigKeepsEverythingBesideIt) {
  std::ofstream(bin / "config.xml") << "<usb/>";
  const app::ProgramFolders folders = app::ChooseProgramFolders(bin, {.xdgConfigHome = home / "cfg", .home = home});
  EXPECT_EQ(folders.resources, bin);
  EXPECT_EQ(folders.data, bin);
  EXPECT_EQ(folders.configFile, bin / "config.xml");
  EXPECT_FALSE(folders.installed);
}

TEST_F(ProgramFoldersTest, AnInstalledProgramReadsThePackageAndKeepsDataInTheUsersConfigFolder) {
  // XDG_CONFIG_HOME when it is absolute.
  app::ProgramFolders folders = app::ChooseProgramFolders(bin, {.xdgConfigHome = home / "cfg", .home = home});
  EXPECT_TRUE(folders.installed);
  EXPECT_EQ(folders.resources, package);
  EXPECT_EQ(folders.data, home / "cfg" / "kbconfig");
  EXPECT_EQ(folders.configFile, package / "config.xml");

  // Else ~/.config (a relative XDG_CONFIG_HOME is to be ignored).
  folders = app::ChooseProgramFolders(bin, {.xdgConfigHome = "relative/cfg", .home = home});
  EXPECT_EQ(folders.data, home / ".config" / "kbconfig");
  folders = app::ChooseProgramFolders(bin, {.xdgConfigHome = {}, .home = home});
  EXPECT_EQ(folders.data, home / ".config" / "kbconfig");

  // The user's own config.xml comes first.
  std::filesystem::create_directories(home / ".config" / "kbconfig");
  std::ofstream(home / ".config" / "kbconfig" / "config.xml") << "<usb/>";
  folders = app::ChooseProgramFolders(bin, {.xdgConfigHome = {}, .home = home});
  EXPECT_EQ(folders.configFile, home / ".config" / "kbconfig" / "config.xml");
  EXPECT_EQ(folders.resources, package);

  // No home at all: beside the executable, as before.
  folders = app::ChooseProgramFolders(bin, {});
  EXPECT_EQ(folders.data, bin);
  EXPECT_EQ(folders.resources, package);
}

// Installed by the Windows setup (its marker beside the program): the program folder's resources
// and configuration, each user's data in the application-data folder.
TEST_F(ProgramFoldersTest, ASetupInstalledProgramKeepsEachUsersDataInTheApplicationDataFolder) {
  std::ofstream(bin / "config.xml") << "<usb/>";
  std::ofstream(bin / app::kSetupMarker) << "setup";
  const std::filesystem::path appData = home / "AppData" / "Roaming";
  app::ProgramFolders folders = app::ChooseProgramFolders(bin, {.appData = appData});
  EXPECT_TRUE(folders.installed);
  EXPECT_EQ(folders.resources, bin);
  EXPECT_EQ(folders.data, appData / "kbconfig");
  EXPECT_EQ(folders.configFile, bin / "config.xml");
  std::filesystem::create_directories(appData / "kbconfig");
  std::ofstream(appData / "kbconfig" / "config.xml") << "<usb/>";
  EXPECT_EQ(app::ChooseProgramFolders(bin, {.appData = appData}).configFile, appData / "kbconfig" / "config.xml");

  // Without an application-data folder, or without the marker: everything beside the program.
  EXPECT_EQ(app::ChooseProgramFolders(bin, {}).data, bin);
  std::filesystem::remove(bin / app::kSetupMarker);
  EXPECT_EQ(app::ChooseProgramFolders(bin, {.appData = appData}).data, bin);
}

TEST_F(ProgramFoldersTest, TheDataFolderOfAnInstalledProgramIsMadeWhenMissing) {
  const app::ProgramFolders folders = app::ChooseProgramFolders(bin, {.xdgConfigHome = home / "a" / "b", .home = {}});
  EXPECT_TRUE(app::PrepareDataFolder(folders));
  EXPECT_TRUE(std::filesystem::is_directory(home / "a" / "b" / "kbconfig"));
  EXPECT_FALSE(std::filesystem::exists(bin / "kbconfig"));
}

// Start-up tells what it found about the data files and the virtual device.
class StartupNoticeTest : public ProgramTest {
 protected:
  // One start without a keyboard: the program tells what it has to and ends.
  std::vector<QString> StartOnce() {
    messages.clear();
    sim::SimHidSystem absent(sim::KeyboardSpec{});
    app::ProgramEnvironment environment = Environment(&absent);
    EXPECT_EQ(app::RunProgram(environment, false), 0);
    EXPECT_FALSE(messages.empty());
    if (!messages.empty() && messages.back() == "Please insert USB device!") messages.pop_back();
    return messages;
  }

  support::ScopedLogCapture log;
};

TEST_F(StartupNoticeTest, UnreadableMacrosAndAssignmentsAreToldOnceWithWhereTheyWereKept) {
  std::ofstream(folder / "macro.xml") << "<macro><group name=\"mine\">";
  std::ofstream(folder / "record.xml") << "";  // 0 bytes, as a power cut leaves it
  std::vector<QString> told = StartOnce();
  ASSERT_EQ(told.size(), 1u);
  told[0].remove(QChar(0x200B));  // where the box may wrap the paths
  const QString expected =
      QString("Your macros could not be read from %1 and are not shown. The file was kept as %2.\n\n"
              "Your key assignments could not be read from %3 and are not shown. The file was kept as %4.")
          .arg(QString::fromStdString((folder / "macro.xml").string()),
               QString::fromStdString((folder / "macro.xml.bad").string()),
               QString::fromStdString((folder / "record.xml").string()),
               QString::fromStdString((folder / "record.xml.bad").string()));
  EXPECT_EQ(told[0], expected);

  // The copies are there and told: the same broken files give no second message.
  EXPECT_TRUE(StartOnce().empty());
  EXPECT_FALSE(std::filesystem::exists(folder / "macro.xml.bad.1"));
}

TEST_F(StartupNoticeTest, AFileThatCannotBeKeptIsToldAtEveryStartAndNeverWrittenOver) {
  std::ofstream(folder / "record.xml") << "<record";
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    std::filesystem::create_directory(model::KeptCopyPath(folder / "record.xml", index));
  }
  for (int start = 0; start < 2; ++start) {
    const std::vector<QString> told = StartOnce();
    ASSERT_EQ(told.size(), 1u) << start;
    EXPECT_TRUE(told[0].startsWith("Your key assignments could not be read from ")) << told[0].toStdString();
    EXPECT_TRUE(told[0].endsWith("No copy of the file could be kept, so changes to key assignments are not saved "
                                 "until one can be."))
        << told[0].toStdString();
  }
  EXPECT_EQ(testsupport::ReadFileText(folder / "record.xml"), "<record");
}

TEST_F(StartupNoticeTest, TheNoticesAreTranslated) {
  std::ofstream(folder / "config.xml") << "<local language=\"cn\"/>";
  std::ofstream(folder / "macro.xml") << "<macro";
  virtualDeviceStatus = app::VirtualDeviceStatus::kAccessNeeded;
  const std::vector<QString> told = StartOnce();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_TRUE(told[0].startsWith(QString::fromUtf8("无法从 "))) << told[0].toStdString();
  const QString kept = QString::fromStdString((folder / "macro.xml.bad").string());
  EXPECT_TRUE(QString(told[0]).remove(QChar(0x200B)).contains(kept)) << told[0].toStdString();
  EXPECT_TRUE(told[1].contains(QString::fromUtf8("/dev/uinput"))) << told[1].toStdString();
  EXPECT_TRUE(told[1].contains(QString::fromUtf8("软件包"))) << told[1].toStdString();
}

TEST_F(StartupNoticeTest, AccessToTheVirtualDeviceIsToldOnceUntilItWorksAgain) {
  virtualDeviceStatus = app::VirtualDeviceStatus::kAccessNeeded;
  std::vector<QString> told = StartOnce();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_TRUE(told[0].contains("install-udev-rules.sh")) << told[0].toStdString();
  EXPECT_TRUE(told[0].contains("kbconfig package")) << told[0].toStdString();
  EXPECT_TRUE(std::filesystem::exists(folder / app::kAccessNoticeMarker));
  EXPECT_TRUE(StartOnce().empty());

  // Missing where nothing can be done about it (Windows after its driver install): nothing told.
  virtualDeviceStatus = app::VirtualDeviceStatus::kMissing;
  EXPECT_TRUE(StartOnce().empty());

  // Access came back, and went again: told again, once.
  virtualDeviceStatus = app::VirtualDeviceStatus::kOpen;
  EXPECT_TRUE(StartOnce().empty());
  EXPECT_FALSE(std::filesystem::exists(folder / app::kAccessNoticeMarker));
  virtualDeviceStatus = app::VirtualDeviceStatus::kAccessNeeded;
  EXPECT_EQ(StartOnce().size(), 1u);
  EXPECT_TRUE(StartOnce().empty());
}

TEST_F(StartupNoticeTest, SavesAKillInterruptedAreRemovedByTheOnlyInstanceOnly) {
  const std::vector<std::filesystem::path> leftovers = {
      folder / "macro.xml.tmp-0123abcd-3", folder / "record.xml.tmp-89abcdef-0",
      folder / "ledeffect.xml.tmp-00000000-12", folder / "sidemodel.xml.bad.tmp-ffffffff-1"};
  for (const auto& file : leftovers) testsupport::WriteFileText(file, "half a save");

  {
    // While another instance runs, its saves may be under way: nothing is removed.
    app::SingleInstance first(instanceName, folder.Path());
    ASSERT_EQ(first.Acquire(), app::SingleInstance::Role::kFirst);
    app::ProgramEnvironment environment = Environment();
    EXPECT_EQ(app::RunProgram(environment, false), 0);
    for (const auto& file : leftovers) EXPECT_TRUE(std::filesystem::exists(file)) << file;
  }
  StartOnce();
  for (const auto& file : leftovers) EXPECT_FALSE(std::filesystem::exists(file)) << file;
  EXPECT_NE(log.Text().find("macro.xml.tmp-0123abcd-3: removed, left by a save that did not finish"),
            std::string::npos)
      << log.Text();
}

// Installed: resources and the default configuration from the package folder, the data files in
// the user's configuration folder, whose name need not be UTF-8.
TEST_F(StartupNoticeTest, AnInstalledProgramKeepsItsDataInTheUsersFolderWhateverItsName) {
  const std::filesystem::path bin = folder / "usr" / "bin";
  const std::filesystem::path package = folder / "usr" / "share" / "kbconfig";
  const std::filesystem::path configHome = folder / testsupport::AwkwardFolderName() / ".config";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(package);
  std::filesystem::rename(folder / "uires", package / "uires");
  std::filesystem::rename(folder / "config.xml", package / "config.xml");

  sim::SimHidSystem absent(sim::KeyboardSpec{});
  app::ProgramEnvironment environment = Environment(&absent);
  environment.folders = app::ChooseProgramFolders(bin, {.xdgConfigHome = {}, .home = configHome.parent_path()});
  int result = -1;
  EXPECT_NO_THROW(result = app::RunProgram(environment, false));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(messages, std::vector<QString>{"Please insert USB device!"});
  EXPECT_EQ(config.selector.vid, 0x1A2B);  // the package's config.xml
  EXPECT_EQ(testsupport::ReadFileText(configHome / "kbconfig" / "ledeffect.xml"), testsupport::kDefaultLedEffectFile);
  EXPECT_TRUE(std::filesystem::exists(configHome / "kbconfig" / "sidemodel.xml"));
  EXPECT_FALSE(std::filesystem::exists(bin / "ledeffect.xml"));
  EXPECT_FALSE(std::filesystem::exists(package / "ledeffect.xml"));
}

// A program folder whose name is not UTF-8 (path::wstring() throws for it): the resources, the
// configuration and the data files are all read and written there.
TEST_F(StartupNoticeTest, AProgramFolderWhoseNameIsNotUtf8RunsFromThere) {
  const std::filesystem::path awkward = folder / testsupport::AwkwardFolderName();
  std::filesystem::create_directories(awkward);
  std::filesystem::rename(folder / "uires", awkward / "uires");
  std::filesystem::rename(folder / "config.xml", awkward / "config.xml");
  std::ofstream(awkward / "macro.xml") << "<macro";

  sim::SimHidSystem absent(sim::KeyboardSpec{});
  app::ProgramEnvironment environment = Environment(&absent);
  environment.folders = app::FoldersBeside(awkward);
  int result = -1;
  EXPECT_NO_THROW(result = app::RunProgram(environment, false));
  EXPECT_EQ(result, 0);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[0].startsWith("Your macros could not be read from ")) << messages[0].toStdString();
  EXPECT_EQ(messages[1], "Please insert USB device!");
  EXPECT_EQ(config.selector.vid, 0x1A2B);
  EXPECT_EQ(testsupport::ReadFileText(awkward / "macro.xml.bad"), "<macro");
  EXPECT_EQ(testsupport::ReadFileText(awkward / "ledeffect.xml"), testsupport::kDefaultLedEffectFile);
}

#if !defined(_WIN32)
// On Linux there is no driver to install: start-up only looks for the virtual device and never
// starts a program (it used to run "driver\x64\devcon.exe" relative to the working folder).
TEST(LinuxStartupTest, TheVirtualDeviceCheckNeverRunsTheDriverInstallation) {
  EnsureApplication();
  sim::SimVirtualHid& device = sim::DemoVirtualHid();
  const bool wasPresent = device.IsPresent();
  const std::size_t runsBefore = sim::DemoProcesses().Runs().size();
  app::ProgramEnvironment environment = app::ProcessEnvironment();

  device.SetPresent(false);
  EXPECT_EQ(environment.ensureVirtualDevice(), app::VirtualDeviceStatus::kAccessNeeded);
  device.SetPresent(true);
  EXPECT_EQ(environment.ensureVirtualDevice(), app::VirtualDeviceStatus::kOpen);
  device.SetPresent(wasPresent);

  EXPECT_EQ(sim::DemoProcesses().Runs().size(), runsBefore);
}
#endif

}  // namespace
}  // namespace uitest
