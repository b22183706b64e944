// The start-up choice on a system without the kernel drivers (Wine has neither "\\.\vhidflt" nor
// root\vhidev) and without a driver package beside the program: nothing is installed, the path
// without drivers is taken, and the key filter channel and the virtual device then work over it.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "hostdrv/driver_install.h"
#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "platform/win32/hook_key_filter.h"
#include "platform/win32/input_path_choice.h"
#include "platform/win32/send_input_device.h"
#include "platform/win32/win_file_system.h"
#include "platform/win32/win_filter_device.h"
#include "platform/win32/win_process.h"
#include "platform/win32/win_report_device.h"
#include "support/logger.h"
#include "test_window.h"

namespace {

using win32_test::KeyMessage;

struct Listener {
  std::int32_t OnKey(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
    std::scoped_lock lock(mutex);
    events.push_back(page << 16 | usage | (down ? 0x80000000u : 0u));
    return 1;
  }
  std::size_t Count() {
    std::scoped_lock lock(mutex);
    return events.size();
  }
  std::mutex mutex;
  std::vector<std::uint32_t> events;
};

TEST(InputPathWin32Test, WithoutDriversAndPackageTheHookAndSendInputAreUsed) {
  win32_test::TestWindow& window = win32_test::TestWindow::Shared();
  if (!window.Focused()) GTEST_SKIP() << "no desktop to focus a window on (under Wine: set DISPLAY to an X server)";

  platform::win32::WinFilterDeviceSystem driverFilters;
  platform::win32::WinReportDeviceSystem driverReports;
  platform::win32::SendInputVirtualHid injected;
  platform::win32::HookKeyFilter hookFilters([&injected] { injected.ReleaseAll(); });
  platform::win32::InputPathChoice choice(driverFilters, driverReports, hookFilters, injected);
  hostdrv::VHidev device(choice.Reports());
  platform::win32::WinProcessSystem processes;
  platform::win32::WinFileSystem files;

  support::ScopedLogCapture log;
  EXPECT_TRUE(hostdrv::DriverInstaller(device, choice, processes, files).EnsureVirtualDevice(L""));
  EXPECT_FALSE(choice.UsesDrivers());
  EXPECT_NE(log.Text().find("No driver package in "), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("input path: without drivers, a keyboard hook and SendInput"), std::string::npos);
  EXPECT_EQ(choice.Filters().Path(), platform::InputPath::kKeyboardHook);

  Listener listener;
  HidUsbFilter::KeyFilterChannel channel(choice.Filters());
  channel.AddListener(&listener, &Listener::OnKey);
  ASSERT_TRUE(channel.Open());
  ASSERT_NE(channel.StartMonitoring(), 0);
  const std::vector<HidUsbFilter::KeyCode> keys = {0x00070004};
  ASSERT_EQ(channel.SetCaptureTable(keys), 1);

  // The user presses the assigned key; the program types its replacement.
  ASSERT_TRUE(win32_test::TapKey('A', 0x1E));
  ASSERT_TRUE(window.PumpUntil([&] { return listener.Count() >= 2; }));
  EXPECT_EQ(listener.events, (std::vector<std::uint32_t>{0x80070004, 0x00070004}));
  EXPECT_EQ(device.SetKey(0x07, 0x05, true), 1);
  EXPECT_EQ(device.SetKey(0x07, 0x05, false), 1);
  ASSERT_TRUE(window.PumpUntil([&] { return window.Keys().size() >= 2; }));
  EXPECT_EQ(window.Keys(), (std::vector<KeyMessage>{{WM_KEYDOWN, 'B', 0x30, false}, {WM_KEYUP, 'B', 0x30, false}}));
}

TEST(InputPathWin32Test, TheProgramsDefaultsFollowTheChoice) {
  platform::InputPathSelector& selector = platform::DefaultInputPathSelector();
  ASSERT_NE(selector.DriverFilterDevices(), nullptr);
  ASSERT_NE(selector.DriverReportDevices(), nullptr);
  selector.Choose(false);
  EXPECT_EQ(platform::DefaultFilterDeviceSystem().Path(), platform::InputPath::kKeyboardHook);
  std::vector<std::wstring> paths;
  platform::ReportDeviceSystem& reports = platform::DefaultReportDeviceSystem();
  ASSERT_EQ(reports.ListPresentInterfaces(reports.HidClassGuid(), paths).kind,
            platform::InterfaceListOutcome::Kind::kListed);
  EXPECT_EQ(paths, (std::vector<std::wstring>{platform::win32::kInjectedDevicePath}));
}

}  // namespace
