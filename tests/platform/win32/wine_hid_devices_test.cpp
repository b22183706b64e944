// Real HID devices behind the system's HID class: Wine's own mouse (vendor 0x845E, product 1,
// usage page 0x01, usage 2) and keyboard (product 2, usage 6), which every prefix lists while
// Wine's HID bus (the service "winebus") runs. Discovery through SetupAPI and our path parser,
// the HID attributes and capabilities, opening and closing, and the keyboard's refusal of
// feature and output reports (it has none) are taken on these devices. Skipped, with the reason,
// where the HID bus does not run.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/discovery/device_path.h"
#include "device/discovery/enumerate_hid_interfaces.h"
#include "device/io/hid_device.h"
#include "platform/hid.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_hid_system.h"
#include "support/logger.h"
#include "support/text.h"

namespace {

constexpr std::int32_t kWineVendor = 0x845E;
constexpr std::int32_t kWineMouse = 0x0001;
constexpr std::int32_t kWineKeyboard = 0x0002;
constexpr std::uint32_t kErrorInvalidParameter = 87;

// Empty when Wine's HID bus runs, else why these tests cannot run.
std::string WhyNoWineHidBus() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return "the service manager does not open (error " + std::to_string(GetLastError()) + ")";
  std::string why;
  SC_HANDLE service = OpenServiceW(manager, L"winebus", SERVICE_QUERY_STATUS);
  SERVICE_STATUS status{};
  if (service == nullptr) {
    why = "no service \"winebus\" (not Wine, or Wine without its HID bus)";
  } else if (!QueryServiceStatus(service, &status)) {
    why = "the state of \"winebus\" cannot be read (error " + std::to_string(GetLastError()) + ")";
  } else if (status.dwCurrentState != SERVICE_RUNNING) {
    why = "\"winebus\" is not running (state " + std::to_string(status.dwCurrentState) + ")";
  }
  if (service != nullptr) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return why;
}

class WineHidDevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = WhyNoWineHidBus();
    if (!why.empty()) GTEST_SKIP() << "Wine's HID devices are not there: " << why;
    // The bus adds its devices once it runs: wait for them to be listed, a few seconds at most.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Find(kWineKeyboard).empty() || Find(kWineMouse).empty()) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "winebus runs, but lists no mouse and keyboard";
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  std::vector<device::HidInterfaceRecord> Find(std::int32_t product, std::int32_t interface = -1,
                                               std::int32_t collection = -1) {
    const std::int32_t products[] = {product};
    return device::EnumerateHidInterfaces(system_, kWineVendor, products, interface, collection);
  }

  platform::win32::WinHidSystem system_;
};

TEST_F(WineHidDevicesTest, DiscoveryFindsTheMouseAndTheKeyboardWithTheirUsages) {
  const struct {
    std::int32_t product;
    std::uint16_t usage;
  } devices[] = {{kWineMouse, 0x02}, {kWineKeyboard, 0x06}};
  for (const auto& wanted : devices) {
    const std::vector<device::HidInterfaceRecord> found = Find(wanted.product);
    ASSERT_EQ(found.size(), 1u) << wanted.product;
    const device::HidInterfaceRecord& record = found.front();
    EXPECT_EQ(record.vid, kWineVendor);
    EXPECT_EQ(record.pid, wanted.product);
    EXPECT_EQ(record.interfaceClassGuid, platform::kHidInterfaceClass);
    EXPECT_NE(record.flags & SPINT_ACTIVE, 0u);
    EXPECT_EQ(record.usagePage, 0x01);
    EXPECT_EQ(record.usage, wanted.usage);
    // The path Wine gives has neither an interface nor a collection part.
    const std::optional<device::DevicePathIds> ids = device::ParseDevicePath(record.devicePath);
    ASSERT_TRUE(ids.has_value()) << support::WideToUtf8(record.devicePath);
    EXPECT_EQ(*ids, (device::DevicePathIds{kWineVendor, wanted.product, -1, -1}));
  }
  // A selector asking for an interface or a collection matches no such path.
  EXPECT_TRUE(Find(kWineKeyboard, 0).empty());
  EXPECT_TRUE(Find(kWineKeyboard, -1, 0).empty());
}

TEST_F(WineHidDevicesTest, TheKeyboardOpensTellsItsAttributesAndCapsAndRefusesReportsItHasNot) {
  const std::vector<device::HidInterfaceRecord> found = Find(kWineKeyboard);
  ASSERT_EQ(found.size(), 1u);
  std::uint32_t error = 0;
  std::unique_ptr<platform::HidHandle> handle =
      system_.Open(found.front().devicePath, platform::kGenericRead | platform::kGenericWrite,
                   platform::kShareRead | platform::kShareWrite, error);
  ASSERT_NE(handle, nullptr) << error;
  EXPECT_EQ(error, 0u);

  platform::HidAttributes attributes;
  ASSERT_TRUE(handle->GetAttributes(attributes));
  EXPECT_EQ(attributes.vendorId, kWineVendor);
  EXPECT_EQ(attributes.productId, kWineKeyboard);
  EXPECT_EQ(attributes.versionNumber, found.front().releaseNumber);
  platform::HidCaps caps;
  ASSERT_TRUE(handle->GetCaps(caps));
  EXPECT_EQ(caps.usagePage, 0x01);
  EXPECT_EQ(caps.usage, 0x06);
  EXPECT_GT(caps.inputReportByteLength, 1u);
  EXPECT_EQ(caps.outputReportByteLength, 0u);
  EXPECT_EQ(caps.featureReportByteLength, 0u);

  // No feature or output report: each call fails with the system's error, and says so.
  support::ScopedLogCapture log;
  std::uint8_t report[8] = {7};
  EXPECT_FALSE(handle->GetFeature(report, sizeof report));
  EXPECT_FALSE(handle->SetFeature(report, sizeof report));
  const platform::WriteOutcome written = handle->Write(report, sizeof report, std::chrono::milliseconds(1000));
  EXPECT_EQ(written.kind, platform::WriteOutcome::Kind::kFailed);
  EXPECT_EQ(written.error, kErrorInvalidParameter);
  EXPECT_EQ(written.bytesWritten, 0u);
  const std::string code = "Windows error " + std::to_string(kErrorInvalidParameter);
  for (const char* operation :
       {"HidD_GetFeature failed: ", "HidD_SetFeature failed: ", "WriteFile(HID output report) failed: "}) {
    EXPECT_NE(log.Text().find(operation + code), std::string::npos) << operation << "\n" << log.Text();
  }
  EXPECT_TRUE(handle->Close());
}

TEST_F(WineHidDevicesTest, TheDeviceLayerOpensTheKeyboardBySelectorAndReportsRefusedReportsAsFailures) {
  device::HidDevice keyboard(system_);
  const std::int32_t products[] = {kWineKeyboard};
  std::uint16_t release = 0xFFFF;
  ASSERT_TRUE(keyboard.OpenBySelector(kWineVendor, products, -1, -1, &release, device::kReadWriteShared));
  EXPECT_TRUE(keyboard.IsPresent());
  EXPECT_EQ(release, Find(kWineKeyboard).front().releaseNumber);
  EXPECT_EQ(keyboard.Caps().usage, 0x06);
  EXPECT_EQ(keyboard.Caps().featureReportByteLength, 0u);
  device::Report report{7, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_FALSE(keyboard.SetFeature(report));
  EXPECT_FALSE(keyboard.GetFeature(report));
  EXPECT_EQ(keyboard.Write(report), 0);
  EXPECT_EQ(keyboard.State(), device::HidDevice::HandleState::kOpen);
  keyboard.Close();
  EXPECT_FALSE(keyboard.IsPresent());
}

}  // namespace
