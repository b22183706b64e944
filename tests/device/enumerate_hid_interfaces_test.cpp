#include "device/discovery/enumerate_hid_interfaces.h"

#include <gtest/gtest.h>

#include <climits>
#include <regex>

#include "platform/sim/sim_keyboard.h"
#include "support/logger.h"

namespace {

using device::EnumerateHidInterfaces;
using device::HidInterfaceRecord;

const wchar_t* const kBootPath = L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const wchar_t* const kConsumerPath =
    L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col01#7&2b3c4d5e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const wchar_t* const kPlainPath = L"\\\\?\\hid#vid_1a2b&pid_0c3d#7&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const wchar_t* const kWidePath = L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_0a&col10#7&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const wchar_t* const kOtherProductPath = L"\\\\?\\hid#vid_1a2b&pid_7777&mi_01&col02#7&0&0000#{x}";
const wchar_t* const kOtherVendorPath = L"\\\\?\\hid#vid_046d&pid_0c3d&mi_01&col02#7&0&0000#{x}";
const wchar_t* const kUsbPath = L"\\\\?\\usb#vid_1a2b&pid_0c3d&mi_01#7&0&0000#{x}";

sim::InterfaceSpec Interface(const wchar_t* path) {
  sim::InterfaceSpec spec = sim::StandardKeyboard().interfaces[2];
  spec.path = path;
  return spec;
}

// The standard keyboard plus interfaces that test one rule each.
sim::KeyboardSpec CrowdedSystem() {
  sim::KeyboardSpec spec = sim::StandardKeyboard();  // boot, consumer, lighting
  spec.interfaces.push_back(Interface(kPlainPath));
  spec.interfaces.push_back(Interface(kWidePath));
  spec.interfaces.push_back(Interface(kOtherProductPath));
  spec.interfaces.push_back(Interface(kOtherVendorPath));
  spec.interfaces.push_back(Interface(kUsbPath));
  return spec;
}

std::vector<std::wstring> Paths(const std::vector<HidInterfaceRecord>& records) {
  std::vector<std::wstring> paths;
  for (const HidInterfaceRecord& record : records) paths.push_back(record.devicePath);
  return paths;
}

std::vector<std::wstring> Enumerate(std::int32_t vid, std::vector<std::int32_t> pids, std::int32_t interface,
                                    std::int32_t collection) {
  sim::SimHidSystem system(CrowdedSystem());
  support::ScopedLogCapture quiet;
  return Paths(EnumerateHidInterfaces(system, vid, pids, interface, collection));
}

using Paths_ = std::vector<std::wstring>;

TEST(EnumerateHidInterfaces, VidZeroWithoutProductsListsNothing) {
  sim::SimHidSystem system(CrowdedSystem());
  support::ScopedLogCapture log;
  EXPECT_TRUE(EnumerateHidInterfaces(system, 0, {}, -1, -1).empty());
  EXPECT_TRUE(EnumerateHidInterfaces(system, -7, {}, -1, -1).empty());
  EXPECT_TRUE(EnumerateHidInterfaces(system, model::DeviceSelector{}).empty());
  EXPECT_EQ(system.ListCalls(), 0);
  EXPECT_EQ(system.OpenCalls(), 0);
  EXPECT_EQ(log.Text(), "");
}

TEST(EnumerateHidInterfaces, VidZeroWithAProductMatchesByProductOnly) {
  EXPECT_EQ(Enumerate(0, {0x0C3D}, 1, 2), (Paths_{sim::kStandardLightingPath, kOtherVendorPath}));
}

TEST(EnumerateHidInterfaces, VidWithoutProductTakesEveryProductOfTheVendor) {
  EXPECT_EQ(Enumerate(0x1A2B, {}, 1, 2), (Paths_{sim::kStandardLightingPath, kOtherProductPath}));
  EXPECT_EQ(Enumerate(0x1A2B, {0x1234}, -1, -1), Paths_{});
}

TEST(EnumerateHidInterfaces, InterfaceAndCollectionRules) {
  const std::vector<std::int32_t> product{0x0C3D};
  // -1 accepts anything, also a path without the part
  EXPECT_EQ(Enumerate(0x1A2B, product, -1, -1),
            (Paths_{kBootPath, kConsumerPath, sim::kStandardLightingPath, kPlainPath, kWidePath}));
  EXPECT_EQ(Enumerate(0x1A2B, product, 1, -1), (Paths_{kConsumerPath, sim::kStandardLightingPath}));
  EXPECT_EQ(Enumerate(0x1A2B, product, -1, 1), (Paths_{kConsumerPath}));
  // 0 must equal the parsed number: a path without &mi_ / &col never matches it
  EXPECT_EQ(Enumerate(0x1A2B, product, 0, -1), (Paths_{kBootPath}));
  EXPECT_EQ(Enumerate(0x1A2B, product, 0, 0), Paths_{});
  EXPECT_EQ(Enumerate(0x1A2B, product, -1, 0), Paths_{});
  // two-digit numbers
  EXPECT_EQ(Enumerate(0x1A2B, product, 10, 16), (Paths_{kWidePath}));
  EXPECT_EQ(Enumerate(0x1A2B, product, 10, 0), Paths_{});
  // other negatives match nothing
  EXPECT_EQ(Enumerate(0x1A2B, product, -2, -1), Paths_{});
  EXPECT_EQ(Enumerate(0x1A2B, product, -1, -2), Paths_{});
  EXPECT_EQ(Enumerate(0x1A2B, product, INT_MIN, 2), Paths_{});
}

TEST(EnumerateHidInterfaces, SelectorFormUsesAnEmptyProductListForPidZero) {
  EXPECT_EQ(device::SelectorPidList(model::DeviceSelector{0x1A2B, 0, 1, 2}), std::vector<std::int32_t>{});
  EXPECT_EQ(device::SelectorPidList(model::DeviceSelector{0x1A2B, 0x0C3D, 1, 2}), std::vector<std::int32_t>{0x0C3D});
  sim::SimHidSystem system(CrowdedSystem());
  support::ScopedLogCapture quiet;
  EXPECT_EQ(Paths(EnumerateHidInterfaces(system, model::DeviceSelector{0x1A2B, 0, 1, 2})),
            (Paths_{sim::kStandardLightingPath, kOtherProductPath}));
  EXPECT_EQ(Paths(EnumerateHidInterfaces(system, model::DeviceSelector{0x1A2B, 0x0C3D, 1, 2})),
            (Paths_{sim::kStandardLightingPath}));
}

TEST(EnumerateHidInterfaces, KeepsEnumerationOrder) {
  sim::KeyboardSpec spec;
  spec.interfaces = {Interface(kWidePath), Interface(kPlainPath), Interface(kBootPath)};
  sim::SimHidSystem system(spec);
  support::ScopedLogCapture quiet;
  EXPECT_EQ(Paths(EnumerateHidInterfaces(system, 0x1A2B, {}, -1, -1)), (Paths_{kWidePath, kPlainPath, kBootPath}));
}

TEST(EnumerateHidInterfaces, RecordCarriesEveryField) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].interfaceClassGuid = platform::Guid{0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};
  spec.interfaces[2].flags = 0x5;
  spec.interfaces[2].attributes.versionNumber = 0x0231;
  spec.interfaces[2].caps.usagePage = 0xFF1C;
  spec.interfaces[2].caps.usage = 0x92;
  sim::SimHidSystem system(spec);
  support::ScopedLogCapture quiet;
  const auto records = EnumerateHidInterfaces(system, 0x1A2B, std::vector<std::int32_t>{0x0C3D}, 1, 2);
  ASSERT_EQ(records.size(), 1u);
  const HidInterfaceRecord& record = records[0];
  EXPECT_EQ(record.devicePath, sim::kStandardLightingPath);
  EXPECT_EQ(record.interfaceClassGuid, spec.interfaces[2].interfaceClassGuid);
  EXPECT_EQ(record.flags, 0x5u);
  EXPECT_EQ(record.vid, 0x1A2B);
  EXPECT_EQ(record.pid, 0x0C3D);
  EXPECT_EQ(record.releaseNumber, 0x0231);
  EXPECT_EQ(record.usagePage, 0xFF1C);
  EXPECT_EQ(record.usage, 0x92);
  EXPECT_EQ(system.OpenHandles(), 0);  // the probing handle is closed again
}

TEST(EnumerateHidInterfaces, InterfaceThatDoesNotOpenIsListedWithZeroDetails) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[1].opens = false;
  spec.interfaces[2].capsReadable = false;
  sim::SimHidSystem system(spec);
  support::ScopedLogCapture log;
  const auto records = EnumerateHidInterfaces(system, 0x1A2B, std::vector<std::int32_t>{0x0C3D}, 1, -1);
  ASSERT_EQ(records.size(), 2u);
  for (const HidInterfaceRecord& record : records) {
    EXPECT_EQ(record.releaseNumber, 0);
    EXPECT_EQ(record.usagePage, 0);
    EXPECT_EQ(record.usage, 0);
    EXPECT_EQ(record.vid, 0x1A2B);
  }
  EXPECT_EQ(records[0].devicePath, kConsumerPath);
  EXPECT_NE(log.Text().find("open dev: ffffffff\n"), std::string::npos);
}

TEST(EnumerateHidInterfaces, WritesTheDiscoveryLogLines) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[0].detailReadable = false;
  spec.interfaces[1].opens = false;
  spec.interfaces[2].interfaceClassGuid = platform::Guid{0xA, 0xB, 0xC, {0, 0, 0, 0, 0, 0, 0, 0xD}};
  sim::SimHidSystem system(spec);
  support::ScopedLogCapture log;
  const auto records = EnumerateHidInterfaces(system, 0x1A2B, std::vector<std::int32_t>{0x0C3D}, 1, -1);
  ASSERT_EQ(records.size(), 2u);
  const std::regex expected(
      "got classs: guid=\\{4d1e55b2-f16f-11cf-88cb001111000030\\}\n"
      "enum interface: guid=\\{4d1e55b2-f16f-11cf-88cb001111000030\\} index=0\n"
      "获取接口信息失败\n"
      "enum interface: guid=\\{4d1e55b2-f16f-11cf-88cb001111000030\\} index=1\n"
      "open dev: ffffffff\n"
      "open HID interface failed: error 5\n"
      "enum interface: guid=\\{000a-0b-0c-000000000000000d\\} index=2\n"
      "open dev: [0-9a-f]{8}\n");
  EXPECT_TRUE(std::regex_match(log.Text(), expected)) << log.Text();
}

TEST(EnumerateHidInterfaces, UnreadableDetailIsSkipped) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].detailReadable = false;
  sim::SimHidSystem system(spec);
  support::ScopedLogCapture quiet;
  EXPECT_EQ(Paths(EnumerateHidInterfaces(system, 0x1A2B, {}, -1, -1)), (Paths_{kBootPath, kConsumerPath}));
}

TEST(EnumerateHidInterfaces, UnpluggedKeyboardGivesAnEmptyList) {
  sim::SimHidSystem system;
  system.Unplug();
  support::ScopedLogCapture log;
  EXPECT_TRUE(EnumerateHidInterfaces(system, 0x1A2B, {}, -1, -1).empty());
  EXPECT_EQ(system.ListCalls(), 1);
  EXPECT_EQ(log.Text(), "got classs: guid={4d1e55b2-f16f-11cf-88cb001111000030}\n");
}

}  // namespace
