// Programs run with CreateProcessW and waited for, the executable's path, WOW64, file kinds, and
// the driver installation's devcon.exe command line, with a stand-in devcon.exe that records how
// it was started.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostdrv/driver_install.h"
#include "hostdrv/vhidev.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_file_system.h"
#include "platform/win32/win_process.h"
#include "platform/win32/win_report_device.h"
#include "support/text.h"
#include "win32_test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::win32::WinFileSystem;
using platform::win32::WinProcessSystem;

// A driver package folder holding the stand-in devcon.exe.
class PackageFolder {
 public:
  PackageFolder() {
    fs::copy_file(win32_test::TestProgramFolder() / "fake_devcon.exe", folder_.path() / "devcon.exe");
  }
  std::wstring path() const { return folder_.WindowsPath(); }
  std::wstring devcon() const { return path() + L"\\devcon.exe"; }
  void AddFile(const wchar_t* name) const { std::ofstream(folder_.path() / name) << "; setup information\n"; }
  void AddDirectory(const wchar_t* name) const { fs::create_directory(folder_.path() / name); }
  void SetExitCode(int code) const { std::ofstream(folder_.path() / "exit_code.txt") << code; }
  bool Ran() const { return fs::exists(folder_.path() / "command_line.txt"); }

  // What devcon.exe recorded: its command line and how it was asked to show its window.
  std::wstring RecordedCommandLine() const { return support::Utf8ToWide(RecordedLine(0)); }
  std::string RecordedStartup() const { return RecordedLine(1); }

 private:
  std::string RecordedLine(int index) const {
    std::ifstream in(folder_.path() / "command_line.txt", std::ios::binary);
    std::string line;
    for (int i = 0; i <= index; ++i) std::getline(in, line);
    return line;
  }

  win32_test::TempFolder folder_;
};

class DriverInstallWin32Test : public ::testing::Test {
 protected:
  platform::win32::WinReportDeviceSystem reports_;
  hostdrv::VHidev device_{reports_};
  WinProcessSystem processes_;
  WinFileSystem files_;
  // The installation itself, without a choice of input path.
  platform::SinglePathSelector paths_;
  hostdrv::DriverInstaller installer_{device_, paths_, processes_, files_};
};

TEST_F(DriverInstallWin32Test, InstallRunsDevconWithTheFilterSetupFile) {
  PackageFolder package;
  package.AddFile(L"vhidflt.inf");
  package.AddFile(L"vhidev.inf");
  // devcon.exe ran, but no virtual device appeared: the second search decides.
  EXPECT_FALSE(installer_.EnsureVirtualDevice(package.path()));
  ASSERT_TRUE(package.Ran());
  EXPECT_EQ(package.RecordedCommandLine(), L" install \"" + package.path() + L"\\vhidflt.inf\" root\\vhidev");
}

TEST_F(DriverInstallWin32Test, DirectoryNamedLikeTheFilterSetupFileFallsBackToTheDeviceSetupFile) {
  PackageFolder package;
  package.AddDirectory(L"vhidflt.inf");
  package.AddFile(L"vhidev.inf");
  EXPECT_FALSE(installer_.EnsureVirtualDevice(package.path()));
  EXPECT_EQ(package.RecordedCommandLine(), L" install \"" + package.path() + L"\\vhidev.inf\" root\\vhidev");
}

TEST_F(DriverInstallWin32Test, RunAndWaitStartsTheProgramWithANormalWindowAndWaitsForIt) {
  PackageFolder package;
  package.SetExitCode(7);
  EXPECT_TRUE(installer_.RunAndWait(package.devcon(), L" remove root\\vhidev"));
  // Waited for: the record is complete when RunAndWait returns.
  EXPECT_EQ(package.RecordedCommandLine(), L" remove root\\vhidev");
  unsigned flags = 0, show = 0;
  ASSERT_EQ(std::sscanf(package.RecordedStartup().c_str(), "flags=%u show=%u", &flags, &show), 2)
      << package.RecordedStartup();
  EXPECT_NE(flags & STARTF_USESHOWWINDOW, 0u);
  EXPECT_EQ(show, static_cast<unsigned>(SW_SHOWNORMAL));
}

TEST(WinProcessSystemTest, ExitCodeOfTheProgramIsReported) {
  PackageFolder package;
  package.SetExitCode(7);
  WinProcessSystem processes;
  std::uint32_t exitCode = 0, error = 0;
  ASSERT_TRUE(processes.RunAndWait(package.devcon(), L" status", exitCode, error)) << error;
  EXPECT_EQ(exitCode, 7u);
  EXPECT_EQ(error, 0u);
}

TEST(WinProcessSystemTest, MissingOrEmptyProgramIsNotStarted) {
  WinProcessSystem processes;
  win32_test::TempFolder folder;
  std::uint32_t exitCode = 99, error = 0;
  EXPECT_FALSE(processes.RunAndWait(folder.WindowsPath() + L"\\devcon.exe", L" remove root\\vhidev", exitCode, error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(processes.RunAndWait(L"", L" remove", exitCode, error));
  EXPECT_NE(error, 0u);
  EXPECT_EQ(exitCode, 99u);
}

TEST(WinProcessSystemTest, ExecutablePathIsThisTestProgram) {
  WinProcessSystem processes;
  std::wstring path;
  std::uint32_t error = 0;
  ASSERT_TRUE(processes.ExecutablePath(path, error)) << error;
  EXPECT_EQ(fs::path(path).filename(), fs::path(L"platform_win32_tests.exe"));
  EXPECT_EQ(fs::path(path).parent_path(), win32_test::TestProgramFolder());
}

TEST(WinProcessSystemTest, WowAnswerMatchesTheBuildWidth) {
  WinProcessSystem processes;
  bool wow64 = true;
  std::uint32_t error = 0;
  ASSERT_TRUE(processes.Is32BitOn64BitSystem(wow64, error)) << error;
  if (sizeof(void*) == 8) {
    EXPECT_FALSE(wow64);  // a 64-bit process never runs under WOW64
  }
}

TEST(WinProcessSystemTest, DefaultDriverFolderIsBesideTheExecutable) {
  const std::wstring folder = hostdrv::DefaultDriverFolder();
  const std::wstring expectedStart = win32_test::TestProgramFolder().wstring() + L"\\driver\\x";
  EXPECT_EQ(folder.substr(0, expectedStart.size()), expectedStart) << support::WideToUtf8(folder);
  EXPECT_EQ(folder.size(), expectedStart.size() + 2);
  if (sizeof(void*) == 8) {
    EXPECT_EQ(folder.substr(expectedStart.size() - 1), L"x64");  // the 64-bit package
  }
}

TEST(WinFileSystemTest, TellsFilesDirectoriesAndMissingEntriesApart) {
  win32_test::TempFolder folder;
  std::ofstream(folder.path() / "vhidflt.inf") << "x";
  fs::create_directory(folder.path() / "driver");
  WinFileSystem files;
  EXPECT_EQ(files.KindOf(folder.WindowsPath() + L"\\vhidflt.inf"), platform::FileKind::kFile);
  EXPECT_EQ(files.KindOf(folder.WindowsPath() + L"\\driver"), platform::FileKind::kDirectory);
  EXPECT_EQ(files.KindOf(folder.WindowsPath() + L"\\vhidev.inf"), platform::FileKind::kMissing);
  EXPECT_EQ(files.KindOf(folder.WindowsPath() + L"\\no-such-folder\\vhidev.inf"), platform::FileKind::kMissing);
}

}  // namespace
