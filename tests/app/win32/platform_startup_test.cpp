// The Windows start-up steps: "-hid" read from the raw command line of a started process, the
// grant a second start gives the running instance, and a window taken to the foreground.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include "app/startup/platform_startup.h"

namespace {

std::filesystem::path ThisProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  EXPECT_GT(length, 0u);
  return std::filesystem::path(std::wstring(path, length)).parent_path();
}

// Runs the probe with `commandLineTail` after its quoted path, as Windows hands it over; returns
// its exit code.
DWORD ProbeExitCode(const std::wstring& commandLineTail) {
  const std::wstring program = (ThisProgramFolder() / "hidden_option_probe.exe").wstring();
  std::wstring commandLine = L"\"" + program + L"\"" + commandLineTail;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
    return 99;
  }
  CloseHandle(process.hThread);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &exitCode));
  CloseHandle(process.hProcess);
  return exitCode;
}

TEST(HiddenOptionTest, OnlyTheWholeCommandLineHidStartsHidden) {
  EXPECT_EQ(ProbeExitCode(L" -hid"), 1u);
  EXPECT_EQ(ProbeExitCode(L"   -hid"), 1u);
  // argv would give "-hid" for these two; the program's rule does not.
  EXPECT_EQ(ProbeExitCode(L" \"-hid\""), 0u);
  EXPECT_EQ(ProbeExitCode(L" -hid "), 0u);
  EXPECT_EQ(ProbeExitCode(L" -HID"), 0u);
  EXPECT_EQ(ProbeExitCode(L" -hid x"), 0u);
  EXPECT_EQ(ProbeExitCode(L""), 0u);
}

// The folder an environment variable names, as Windows sets it for the user.
std::filesystem::path EnvironmentFolder(const wchar_t* name) {
  wchar_t value[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, static_cast<DWORD>(std::size(value)));
  EXPECT_GT(length, 0u) << "no %" << std::filesystem::path(name).string() << "%";
  return std::filesystem::path(std::wstring(value, length)).lexically_normal();
}

// Per-user state goes where Windows keeps it: the lock in the local application data (it used to
// land in the root of the user's profile), the data files in the roaming application data.
TEST(UserFoldersTest, LockAndDataGoWhereWindowsKeepsEachUsersState) {
  const std::filesystem::path lock = app::InstanceLockFolder().lexically_normal();
  EXPECT_EQ(lock, EnvironmentFolder(L"LOCALAPPDATA") / "kbconfig");
  EXPECT_NE(lock, EnvironmentFolder(L"USERPROFILE"));
  EXPECT_TRUE(std::filesystem::is_directory(lock));
  EXPECT_EQ(app::UserAppDataFolder().lexically_normal(), EnvironmentFolder(L"APPDATA"));
}

QApplication& Application() {
  // The Windows platform, as the program runs (Wine draws it on the X display).
  static int argc = 3;
  static char name[] = "app_win32_tests";
  static char option[] = "-platform";
  static char platform[] = "windows";
  static char* argv[] = {name, option, platform, nullptr};
  static QApplication* application = new QApplication(argc, argv);  // lives until the process ends
  return *application;
}

TEST(ForegroundGrantTest, ASecondStartAllowsTheRunningInstanceToTakeTheForeground) {
  Application();
  QLocalServer server;
  const QString name = QString("kbconfig-grant-test-%1").arg(GetCurrentProcessId());
  ASSERT_TRUE(server.listen(name)) << server.errorString().toStdString();
  QLocalSocket second;
  second.connectToServer(name);
  ASSERT_TRUE(second.waitForConnected(5000)) << second.errorString().toStdString();
  // The server end is this very process.
  EXPECT_EQ(app::AllowInstanceToTakeForeground(second), GetCurrentProcessId());
}

TEST(ForegroundGrantTest, NothingIsAllowedWithoutAConnection) {
  Application();
  QLocalSocket unconnected;
  EXPECT_EQ(app::AllowInstanceToTakeForeground(unconnected), 0u);
}

// A plain window of another class that holds the foreground, as another program's would.
class OtherWindow {
 public:
  OtherWindow() {
    window_ = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window_, nullptr) << GetLastError();
    SetForegroundWindow(window_);
  }
  ~OtherWindow() { DestroyWindow(window_); }
  HWND handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};

class TakeForegroundTest : public ::testing::Test {
 protected:
  void SetUp() override { Application(); }
  // The window shown as asked, and its handle.
  HWND Show(bool minimised) {
    window_.resize(300, 200);
    if (minimised) {
      window_.showMinimized();
    } else {
      window_.show();
    }
    QApplication::processEvents();
    return reinterpret_cast<HWND>(window_.winId());
  }
  QWidget window_;
};

TEST_F(TakeForegroundTest, ShownWindowComesToTheFront) {
  const HWND handle = Show(false);
  OtherWindow other;
  ASSERT_EQ(GetForegroundWindow(), other.handle());
  app::TakeForeground(window_);
  EXPECT_EQ(GetForegroundWindow(), handle);
}

TEST_F(TakeForegroundTest, MinimisedWindowIsRestoredAndComesToTheFront) {
  const HWND handle = Show(true);
  ASSERT_TRUE(IsIconic(handle));
  OtherWindow other;
  app::TakeForeground(window_);
  EXPECT_FALSE(IsIconic(handle));
  EXPECT_TRUE(IsWindowVisible(handle));
  EXPECT_EQ(GetForegroundWindow(), handle);
}

}  // namespace
