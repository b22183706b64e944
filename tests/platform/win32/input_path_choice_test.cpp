// The start-up choice between the kernel drivers and the path without them, made by the driver
// installation over emulated drivers: both ways, with and without a driver package beside the
// program, and that the program's filter and virtual device then talk to the chosen path.
#include "platform/win32/input_path_choice.h"

#include <gtest/gtest.h>

#include "hostdrv/driver_install.h"
#include "hostdrv/key_filter_channel.h"
#include "platform/sim/sim_file_system.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_process.h"
#include "platform/sim/sim_virtual_hid.h"
#include "support/logger.h"

namespace platform::win32 {
namespace {

const std::wstring kPackage = L"C:\\App\\driver\\x64";

// The user-mode key filter, as the main window asks it which path is in use.
class UserModeFilters final : public FilterDeviceSystem {
 public:
  std::unique_ptr<AbortEvent> CreateAbortEvent() override { return filter.CreateAbortEvent(); }
  std::unique_ptr<FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                 std::uint32_t& error) override {
    return filter.OpenFilterDevice(path, access, error);
  }
  InputPath Path() const override { return InputPath::kKeyboardHook; }

  sim::SimKeyFilterDriver filter;
};

class InputPathChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    processes_.Set32BitOn64BitSystem(true);
    processes_.OnRun([this](const sim::ProgramRun& run) {
      if (!installWorks_ || run.commandLine.rfind(L" install ", 0) != 0) return;
      driverFilter_.SetInstalled(true);
      driverDevice_.SetPresent(true);
    });
  }

  void AddPackage() {
    files_.AddFile(kPackage + L"\\devcon.exe");
    files_.AddFile(kPackage + L"\\vhidflt.inf");
  }

  bool Ensure() { return installer_.EnsureVirtualDevice(L""); }

  support::ScopedLogCapture log_;
  sim::SimKeyFilterDriver driverFilter_{false};
  sim::SimVirtualHid driverDevice_{false};
  UserModeFilters hookFilter_;
  sim::SimVirtualHid injected_{true};
  InputPathChoice choice_{driverFilter_, driverDevice_, hookFilter_, injected_};
  hostdrv::VHidev device_{choice_.Reports()};
  sim::SimProcessSystem processes_;
  sim::SimFileSystem files_;
  hostdrv::DriverInstaller installer_{device_, choice_, processes_, files_, 32};
  bool installWorks_ = true;
};

TEST_F(InputPathChoiceTest, PresentDriversAreUsedAsTheyAreWithoutInstalling) {
  driverFilter_.SetInstalled(true);
  driverDevice_.SetPresent(true);
  EXPECT_TRUE(Ensure());
  EXPECT_TRUE(processes_.Runs().empty());
  EXPECT_TRUE(choice_.UsesDrivers());
  EXPECT_EQ(choice_.Filters().Path(), driverFilter_.Path());  // the emulated driver answers for itself

  EXPECT_EQ(device_.SetKey(0x07, 0x04, true), 1);
  EXPECT_EQ(driverDevice_.KeysDown(), (std::vector<std::uint32_t>{0x00070004}));
  EXPECT_TRUE(injected_.Reports().empty());

  HidUsbFilter::KeyFilterChannel channel(choice_.Filters());
  EXPECT_TRUE(channel.Open());
  const std::array<HidUsbFilter::KeyCode, 1> keys = {0x00070004};
  EXPECT_EQ(channel.SetCaptureTable(keys), 1);
  EXPECT_TRUE(driverFilter_.IsCaptured(0x00070004));
  EXPECT_FALSE(hookFilter_.filter.IsCaptured(0x00070004));
}

TEST_F(InputPathChoiceTest, WithoutDriversOrPackageThePathWithoutDriversIsTaken) {
  EXPECT_TRUE(Ensure());  // the virtual device without driver is there
  EXPECT_TRUE(processes_.Runs().empty());
  EXPECT_FALSE(choice_.UsesDrivers());
  EXPECT_EQ(choice_.Filters().Path(), InputPath::kKeyboardHook);
  EXPECT_NE(log_.Text().find("input path: without drivers, a keyboard hook and SendInput"), std::string::npos);

  EXPECT_EQ(device_.SetKey(0x0C, 0xE9, true), 1);
  EXPECT_EQ(injected_.KeysDown(), (std::vector<std::uint32_t>{0x000C00E9}));
  EXPECT_TRUE(driverDevice_.Reports().empty());

  HidUsbFilter::KeyFilterChannel channel(choice_.Filters());
  EXPECT_TRUE(channel.Open());
  const std::array<HidUsbFilter::KeyCode, 1> keys = {0x00070004};
  EXPECT_EQ(channel.SetCaptureTable(keys), 1);
  EXPECT_TRUE(hookFilter_.filter.IsCaptured(0x00070004));
  EXPECT_EQ(driverFilter_.OpenCalls(), 0);  // without the virtual device the filter is not tried
}

TEST_F(InputPathChoiceTest, TheVirtualDeviceAloneIsNotTheDrivers) {
  driverDevice_.SetPresent(true);  // the key filter driver is missing
  EXPECT_TRUE(Ensure());
  EXPECT_FALSE(choice_.UsesDrivers());
  EXPECT_TRUE(processes_.Runs().empty());
}

TEST_F(InputPathChoiceTest, MissingDriversAreInstalledFromThePackageBesideTheProgramAndUsed) {
  AddPackage();
  EXPECT_TRUE(Ensure());
  ASSERT_EQ(processes_.Runs().size(), 2u);
  EXPECT_EQ(processes_.Runs()[0].commandLine, L" remove root\\vhidev");
  EXPECT_EQ(processes_.Runs()[1].commandLine, L" install \"C:\\App\\driver\\x64\\vhidflt.inf\" root\\vhidev");
  EXPECT_TRUE(choice_.UsesDrivers());
  EXPECT_EQ(device_.SetKey(0x07, 0x05, true), 1);
  EXPECT_EQ(driverDevice_.KeysDown(), (std::vector<std::uint32_t>{0x00070005}));
}

TEST_F(InputPathChoiceTest, AnInstallationThatBringsNoDriversLeavesThePathWithoutThem) {
  AddPackage();
  installWorks_ = false;
  EXPECT_TRUE(Ensure());
  EXPECT_EQ(processes_.Runs().size(), 2u);
  EXPECT_FALSE(choice_.UsesDrivers());
  EXPECT_EQ(device_.SetKey(0x07, 0x05, true), 1);
  EXPECT_EQ(injected_.KeysDown(), (std::vector<std::uint32_t>{0x00070005}));
}

TEST_F(InputPathChoiceTest, TheFirstChoiceStays) {
  // Used before start-up chose: the drivers, as without a choice.
  EXPECT_TRUE(choice_.UsesDrivers());
  choice_.Choose(false);
  EXPECT_TRUE(choice_.UsesDrivers());
  EXPECT_NE(log_.Text().find("input path failed: already in use, it is not changed now"), std::string::npos)
      << log_.Text();
}

}  // namespace
}  // namespace platform::win32
