// The virtual HID device search over the real configuration-manager and HID calls, on a system
// without the program's virtual device: it prints its lines and finds nothing.
#include <gtest/gtest.h>

#include "hostdrv/find_virtual_device.h"
#include "hostdrv/vhidev.h"
#include "platform/win32/win_report_device.h"
#include "support/logger.h"
#include "support/text.h"

namespace {

using platform::win32::WinReportDeviceSystem;

TEST(VirtualDeviceSearchWin32Test, HidClassGuidIsTheHidInterfaceClass) {
  WinReportDeviceSystem system;
  EXPECT_EQ(system.HidClassGuid(), platform::kHidInterfaceClass);
}

TEST(VirtualDeviceSearchWin32Test, SearchPrintsItsLinesAndFindsNothing) {
  WinReportDeviceSystem system;
  std::vector<std::wstring> paths;
  const platform::InterfaceListOutcome listed = system.ListPresentInterfaces(system.HidClassGuid(), paths);

  support::ScopedLogCapture log;
  EXPECT_EQ(hostdrv::FindVirtualDevice(system, system.HidClassGuid()), nullptr);
  const std::string text = log.Text();
  switch (listed.kind) {
    case platform::InterfaceListOutcome::Kind::kEmpty:
      EXPECT_NE(text.find("Error: No active device interfaces found.\n Is the sample driver loaded?"),
                std::string::npos)
          << text;
      break;
    case platform::InterfaceListOutcome::Kind::kListed:
      // Every present HID interface is looked at, and none is ours.
      EXPECT_NE(text.find("\n....looking for our HID device (with UP=0xFF00 and Usage=0x01)\n"), std::string::npos)
          << text;
      EXPECT_EQ(text.find("Success: Found my device.. \n"), std::string::npos) << text;
      break;
    case platform::InterfaceListOutcome::Kind::kSizeFailed:  // Wine 8 has no device interface lists
      EXPECT_NE(text.find(support::Format("Error 0x%x retrieving device interface list size.\n", listed.error)),
                std::string::npos)
          << text;
      break;
    case platform::InterfaceListOutcome::Kind::kListFailed:
      EXPECT_NE(text.find(support::Format("Error 0x%x retrieving device interface list.\n", listed.error)),
                std::string::npos)
          << text;
      break;
    case platform::InterfaceListOutcome::Kind::kNoMemory:
      ADD_FAILURE() << "no memory for the interface list";
  }
}

TEST(VirtualDeviceSearchWin32Test, VHidevWithoutItsDeviceFailsEveryWriteQuietly) {
  WinReportDeviceSystem system;
  hostdrv::VHidev device(system);
  EXPECT_FALSE(device.OpenVirtualDevice());
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.SetKey(0x07, 0x04, true), 0);
  device.ReleaseAll();  // four failed writes, no crash
}

TEST(VirtualDeviceSearchWin32Test, MultiStringListSplitsIntoPaths) {
  const wchar_t list[] = L"\\\\?\\hid#a\0\\\\?\\hid#b\0\0";
  const auto paths = platform::win32::SplitMultiString(list, std::size(list));
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], L"\\\\?\\hid#a");
  EXPECT_EQ(paths[1], L"\\\\?\\hid#b");
  EXPECT_TRUE(platform::win32::SplitMultiString(L"\0\0", 2).empty());
  // A list cut short without its terminators keeps only its complete entries.
  const wchar_t cut[] = {L'a', L'\0', L'b'};
  EXPECT_EQ(platform::win32::SplitMultiString(cut, std::size(cut)), std::vector<std::wstring>{L"a"});
}

}  // namespace
