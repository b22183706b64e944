#include "device/discovery/device_path.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_keyboard.h"

namespace {

using device::DevicePathIds;
using device::ParseDevicePath;

TEST(ParseDevicePath, ReadsAllFourNumbersOfASetupApiPath) {
  EXPECT_EQ(ParseDevicePath(sim::kStandardLightingPath), (DevicePathIds{0x1A2B, 0x0C3D, 1, 2}));
}

TEST(ParseDevicePath, IgnoresLetterCaseAsInDeviceNotifications) {
  EXPECT_EQ(ParseDevicePath(L"\\\\?\\HID#VID_1A2B&PID_0C3D&MI_02&Col01#8&1234&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}"),
            (DevicePathIds{0x1A2B, 0x0C3D, 2, 1}));
  EXPECT_EQ(ParseDevicePath(L"\\\\?\\Hid#Vid_1a2B&Pid_0C3d&mI_01#x"), (DevicePathIds{0x1A2B, 0x0C3D, 1, -1}));
}

TEST(ParseDevicePath, ReadsBothDigitsOfInterfaceAndCollection) {
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b&pid_0c3d&mi_0a&col10#x"), (DevicePathIds{0x1A2B, 0x0C3D, 10, 16}));
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b&pid_0c3d&mi_11&col02#x"), (DevicePathIds{0x1A2B, 0x0C3D, 17, 2}));
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b&pid_0c3d&mi_00&col00#x"), (DevicePathIds{0x1A2B, 0x0C3D, 0, 0}));
}

TEST(ParseDevicePath, MissingPartsReadAsMinusOne) {
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b&pid_0c3d#x"), (DevicePathIds{0x1A2B, 0x0C3D, -1, -1}));
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b&pid_0c3d&col03#x"), (DevicePathIds{0x1A2B, 0x0C3D, -1, 3}));
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b&pid_0c3d&rev_0105&mi_01&col02#x"), (DevicePathIds{0x1A2B, 0x0C3D, 1, 2}));
  // a one-character mi_ part is no mi_ part at all
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b&pid_0c3d&mi_1#x"), (DevicePathIds{0x1A2B, 0x0C3D, -1, -1}));
}

TEST(ParseDevicePath, FieldsReadTheirLeadingHexDigitsOnly) {
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1g2b&pid_zzzz&mi_0z&colq1#x"), (DevicePathIds{1, 0, 0, 0}));
}

TEST(ParseDevicePath, RejectsPathsWithoutAHidVendorPart) {
  EXPECT_EQ(ParseDevicePath(L"\\\\?\\usb#vid_1a2b&pid_0c3d&mi_01#x"), std::nullopt);
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2&pid_0c3d"), std::nullopt);
  EXPECT_EQ(ParseDevicePath(L"hid#vid_1a2b_pid_0c3d"), std::nullopt);
  EXPECT_EQ(ParseDevicePath(L""), std::nullopt);
}

TEST(ParseDevicePath, NotificationsOfTheEmulatedKeyboardParse) {
  sim::SimHidSystem keyboard;
  std::vector<std::wstring> arrived;
  auto subscription = keyboard.WatchInterfaces(
      [&arrived](platform::DeviceChange change, const std::wstring& path) {
        if (change == platform::DeviceChange::kArrival) arrived.push_back(path);
      });
  keyboard.Unplug();
  keyboard.PlugIn();
  ASSERT_EQ(arrived.size(), 3u);
  EXPECT_NE(arrived[2].find(L"HID#VID_1A2B&PID_0C3D&MI_01&COL02"), std::wstring::npos);
  EXPECT_EQ(ParseDevicePath(arrived[0]), (DevicePathIds{0x1A2B, 0x0C3D, 0, -1}));
  EXPECT_EQ(ParseDevicePath(arrived[2]), (DevicePathIds{0x1A2B, 0x0C3D, 1, 2}));
}

}  // namespace
