#include <gtest/gtest.h>

#include <vector>

#include "hostdrv/driver_install.h"
#include "platform/sim/sim_file_system.h"
#include "platform/sim/sim_process.h"
#include "platform/sim/sim_virtual_hid.h"
#include "support/logger.h"

namespace hostdrv {
namespace {

const std::wstring kX64 = L"C:\\App\\driver\\x64";
const std::wstring kX86 = L"C:\\App\\driver\\x86";
const std::wstring kRemove = L" remove root\\vhidev";

std::wstring InstallLine(const std::wstring& setupFile) { return L" install \"" + setupFile + L"\" root\\vhidev"; }

class DriverInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    processes_.Set32BitOn64BitSystem(true);
    // devcon's install brings the device up.
    processes_.OnRun([this](const sim::ProgramRun& run) {
      if (installWorks_ && run.commandLine.rfind(L" install ", 0) == 0) hid_.SetPresent(true);
    });
  }

  // devcon.exe and the setup files that make a package.
  void AddPackage(const std::wstring& folder, std::initializer_list<const wchar_t*> setupFiles) {
    files_.AddFile(folder + L"\\devcon.exe");
    for (const wchar_t* file : setupFiles) files_.AddFile(folder + L"\\" + file);
  }

  std::vector<std::pair<std::wstring, std::wstring>> Runs() const {
    std::vector<std::pair<std::wstring, std::wstring>> runs;
    for (const auto& run : processes_.Runs()) runs.emplace_back(run.program, run.commandLine);
    return runs;
  }

  support::ScopedLogCapture log_;
  sim::SimVirtualHid hid_{false};
  sim::SimProcessSystem processes_;
  sim::SimFileSystem files_;
  VHidev device_{hid_};
  DriverInstaller installer_{device_, processes_, files_, 32};
  bool installWorks_ = true;
};

TEST_F(DriverInstallTest, PresentDeviceRunsNothing) {
  hid_.SetPresent(true);
  EXPECT_TRUE(installer_.EnsureVirtualDevice(L""));
  EXPECT_TRUE(processes_.Runs().empty());
  EXPECT_TRUE(device_.IsOpen());
}

TEST_F(DriverInstallTest, MissingDeviceIsRemovedThenInstalledWithTheFilterSetupFile) {
  AddPackage(kX64, {L"vhidflt.inf", L"vhidev.inf"});
  EXPECT_TRUE(installer_.EnsureVirtualDevice(L""));
  const decltype(Runs()) expected = {
      {kX64 + L"\\devcon.exe", kRemove},
      {kX64 + L"\\devcon.exe", L" install \"C:\\App\\driver\\x64\\vhidflt.inf\" root\\vhidev"},
  };
  EXPECT_EQ(Runs(), expected);
  EXPECT_TRUE(device_.IsOpen());
  EXPECT_EQ(device_.SetKey(0x07, 0x04, true), 1);
}

TEST_F(DriverInstallTest, WithoutTheFilterSetupFileTheDeviceSetupFileIsUsed) {
  AddPackage(kX64, {L"vhidev.inf"});
  EXPECT_TRUE(installer_.EnsureVirtualDevice(L""));
  ASSERT_EQ(Runs().size(), 2u);
  EXPECT_EQ(Runs()[1].second, InstallLine(kX64 + L"\\vhidev.inf"));
}

TEST_F(DriverInstallTest, ADirectoryNamedLikeTheFilterSetupFileIsIgnored) {
  files_.AddDirectory(kX64 + L"\\vhidflt.inf");
  AddPackage(kX64, {L"vhidev.inf"});
  EXPECT_TRUE(installer_.EnsureVirtualDevice(L""));
  ASSERT_EQ(Runs().size(), 2u);
  EXPECT_EQ(Runs()[1].second, InstallLine(kX64 + L"\\vhidev.inf"));
}

TEST_F(DriverInstallTest, GivenFolderIsInstalledFromButRemovalUsesTheDefaultPackage) {
  const std::wstring folder = L"D:\\pkg";
  AddPackage(folder, {L"vhidflt.inf"});
  EXPECT_TRUE(installer_.EnsureVirtualDevice(folder));
  const decltype(Runs()) expected = {
      {kX64 + L"\\devcon.exe", kRemove},
      {folder + L"\\devcon.exe", InstallLine(folder + L"\\vhidflt.inf")},
  };
  EXPECT_EQ(Runs(), expected);
}

TEST_F(DriverInstallTest, DefaultFolderFollowsTheSystemBitness) {
  EXPECT_EQ(installer_.DefaultDriverFolder(), kX64);  // 32-bit process under WOW64
  processes_.Set32BitOn64BitSystem(false);
  EXPECT_EQ(installer_.DefaultDriverFolder(), kX86);  // 32-bit process on a 32-bit system
  // A 64-bit process needs the 64-bit package; it is never under WOW64.
  EXPECT_EQ(DriverInstaller(device_, processes_, files_, 64).DefaultDriverFolder(), kX64);
  processes_.SetExecutablePath(L"kbconfig.exe");
  EXPECT_EQ(installer_.DefaultDriverFolder(), L"driver\\x86");
}

TEST_F(DriverInstallTest, ToolThatExitsWithAnErrorStillCountsAsRunTheSearchDecides) {
  AddPackage(kX64, {L"vhidev.inf"});
  processes_.SetExitCode(1);
  EXPECT_TRUE(installer_.EnsureVirtualDevice(L""));

  hid_.SetPresent(false);
  installWorks_ = false;
  EXPECT_FALSE(installer_.EnsureVirtualDevice(L""));
  EXPECT_EQ(processes_.Runs().size(), 4u);
  EXPECT_FALSE(device_.IsOpen());
}

TEST_F(DriverInstallTest, ToolThatCannotStartFailsTheInstall) {
  AddPackage(kX64, {L"vhidev.inf"});
  processes_.SetMissingProgram(kX64 + L"\\devcon.exe");
  EXPECT_FALSE(installer_.EnsureVirtualDevice(L""));
  EXPECT_TRUE(processes_.Runs().empty());
  EXPECT_FALSE(hid_.IsPresent());
  EXPECT_NE(log_.Text().find("RunAndWait failed"), std::string::npos);
}

TEST_F(DriverInstallTest, WithoutAPackageBesideTheProgramNothingIsRun) {
  EXPECT_FALSE(installer_.EnsureVirtualDevice(L""));
  EXPECT_TRUE(processes_.Runs().empty());
  EXPECT_NE(log_.Text().find("No driver package in C:\\App\\driver\\x64: the drivers are not installed."),
            std::string::npos)
      << log_.Text();
  // A setup file alone is no package, nor is devcon.exe alone.
  files_.AddFile(kX64 + L"\\vhidflt.inf");
  EXPECT_FALSE(installer_.EnsureVirtualDevice(L""));
  files_.AddDirectory(kX64 + L"\\devcon.exe");
  EXPECT_FALSE(installer_.EnsureVirtualDevice(L""));
  EXPECT_TRUE(processes_.Runs().empty());
  EXPECT_FALSE(device_.IsOpen());
}

TEST_F(DriverInstallTest, RunAndWaitRefusesAnEmptyProgramAndPassesTheLineUnchanged) {
  EXPECT_FALSE(installer_.RunAndWait(L"", L" x"));
  EXPECT_TRUE(processes_.Runs().empty());
  EXPECT_TRUE(installer_.RunAndWait(L"C:\\tool.exe", L" verb \"a b\""));
  const decltype(Runs()) expected = {{L"C:\\tool.exe", L" verb \"a b\""}};
  EXPECT_EQ(Runs(), expected);
}

}  // namespace
}  // namespace hostdrv
