#include "platform/linux/interface_path.h"

#include <gtest/gtest.h>

#include <set>

#include "device/discovery/device_path.h"
#include "platform/linux/hidraw_nodes.h"

namespace platform::linux_backend {
namespace {

HidrawIdentity Keyboard() {
  HidrawIdentity identity;
  identity.vendorId = 0x1A2B;
  identity.productId = 0x0C3D;
  identity.interfaceNumber = 1;
  identity.hidName = "0003:1A2B:0C3D.0004";
  identity.hidrawName = "hidraw3";
  return identity;
}

TEST(InterfacePath, OnePathPerCollectionNumberedFromOne) {
  EXPECT_EQ(BuildInterfacePath(Keyboard(), 0, 3),
            L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col01#0003_1a2b_0c3d.0004&hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  EXPECT_EQ(BuildInterfacePath(Keyboard(), 1, 3),
            L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col02#0003_1a2b_0c3d.0004&hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}");
}

// The device path parser reads the collection part as hexadecimal: from the tenth collection on
// the numbers must be written that way, or the selector's subdevice picks the wrong collection.
TEST(InterfacePath, CollectionNumbersAreHexadecimalAsTheDevicePathParserReadsThem) {
  EXPECT_EQ(BuildInterfacePath(Keyboard(), 9, 12),
            L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col0a#0003_1a2b_0c3d.0004&hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  for (const int index : {0, 8, 9, 14, 15, 16, 99, 254}) {
    const std::wstring path = BuildInterfacePath(Keyboard(), index, 255);
    const auto ids = device::ParseDevicePath(path);
    ASSERT_TRUE(ids) << index;
    EXPECT_EQ(ids->collection, index + 1) << index;
    EXPECT_EQ(ids->interface, 1);
    const auto parsed = ParseInterfacePath(path);
    ASSERT_TRUE(parsed) << index;
    EXPECT_EQ(parsed->collectionIndex, index);
  }
  // The notification form is upper case.
  const auto upper = ParseInterfacePath(
      L"\\\\?\\HID#VID_1A2B&PID_0C3D&MI_01&COL0B#0003_1A2B_0C3D.0004&HIDRAW3#{4D1E55B2-F16F-11CF-88CB-001111000030}");
  ASSERT_TRUE(upper);
  EXPECT_EQ(upper->collectionIndex, 10);
}

TEST(InterfacePath, ANodeWithMoreCollectionsThanTwoDigitsHoldGetsDistinctPathsForTheFirst255) {
  HidrawNode node;
  node.identity = Keyboard();
  node.devnode = "/dev/hidraw3";
  node.collections.resize(300);
  const std::vector<std::wstring> paths = InterfacePathsOf(node);
  ASSERT_EQ(paths.size(), 255u);
  EXPECT_EQ(std::set<std::wstring>(paths.begin(), paths.end()).size(), paths.size());
  EXPECT_NE(paths.back().find(L"&colff#"), std::wstring::npos);
}

TEST(InterfacePath, NoCollectionPartForASingleCollectionAndNoInterfacePartWithoutOne) {
  HidrawIdentity identity = Keyboard();
  identity.interfaceNumber.reset();
  EXPECT_EQ(BuildInterfacePath(identity, 0, 1),
            L"\\\\?\\hid#vid_1a2b&pid_0c3d#0003_1a2b_0c3d.0004&hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  identity.interfaceNumber = 10;
  EXPECT_EQ(BuildInterfacePath(identity, 0, 1),
            L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_0a#0003_1a2b_0c3d.0004&hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}");
}

TEST(InterfacePath, ParsesBackToTheNodeAndCollection) {
  const auto parsed = ParseInterfacePath(BuildInterfacePath(Keyboard(), 1, 3));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->vendorId, 0x1A2B);
  EXPECT_EQ(parsed->productId, 0x0C3D);
  EXPECT_EQ(parsed->hidrawName, "hidraw3");
  EXPECT_EQ(parsed->hidName, InstanceHidName("0003:1A2B:0C3D.0004"));
  EXPECT_EQ(parsed->collectionIndex, 1);

  const auto single = ParseInterfacePath(BuildInterfacePath(Keyboard(), 0, 1));
  ASSERT_TRUE(single);
  EXPECT_EQ(single->collectionIndex, 0);
}

TEST(InterfacePath, UpperCaseNotificationFormParsesToo) {
  const auto parsed = ParseInterfacePath(
      L"\\\\?\\HID#VID_1A2B&PID_0C3D&MI_01&COL02#0003_1A2B_0C3D.0004&HIDRAW12#{4D1E55B2-F16F-11CF-88CB-001111000030}");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->hidrawName, "hidraw12");
  EXPECT_EQ(parsed->collectionIndex, 1);
}

TEST(InterfacePath, ForeignPathsAreRejected) {
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\usb#vid_1a2b&pid_0c3d#x&hidraw1#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\hid#vid_1a2b&pid_0c3d#x&event1#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\hid#vid_1a2b&pid_0c3d#x&hidraw1#{00000000-0000-0000-0000-000000000000}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\hid#vid_1a2b&pid_0c3d&col00#x&hidraw1#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\hid#vid_1a2b&pid_0c3d&col1#x&hidraw1#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\hid#vid_1a2b&pid_0c3d&col100#x&hidraw1#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\hid#vid_1a2b&pid_0c3d&col0g#x&hidraw1#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\?\\hid#vid_1a2b&pid_0c3d#x&hidraw#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
  EXPECT_FALSE(ParseInterfacePath(L"\\\\.\\vhidflt"));
}

TEST(InterfacePath, HidIdAndPhysProperties) {
  const auto id = ParseHidId("0003:00001A2B:00000C3D");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->bus, 0x3);
  EXPECT_EQ(id->vendorId, 0x1A2B);
  EXPECT_EQ(id->productId, 0x0C3D);
  EXPECT_FALSE(ParseHidId("0003:00001A2B"));
  EXPECT_FALSE(ParseHidId("0003:000X1A2B:00000C3D"));
  EXPECT_FALSE(ParseHidId("0003:00011A2B:00000C3D"));  // beyond 16 bits

  EXPECT_EQ(InterfaceNumberFromPhys("usb-0000:00:14.0-1/input1"), 1);
  EXPECT_EQ(InterfaceNumberFromPhys("usb-0000:00:14.0-3.2/input12"), 12);
  EXPECT_FALSE(InterfaceNumberFromPhys("usb-0000:00:14.0-1"));
  EXPECT_FALSE(InterfaceNumberFromPhys("usb-0000:00:14.0-1/input"));
  EXPECT_FALSE(InterfaceNumberFromPhys(""));
}

}  // namespace
}  // namespace platform::linux_backend
