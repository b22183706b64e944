#include "suite_fixture.h"

#include <chrono>
#include <thread>

#include "device/discovery/enumerate_hid_interfaces.h"
#include "model/config/load_config.h"
#include "platform/filter_device.h"
#include "platform/hid.h"
#include "platform/linux/linux_backend.h"
#include "platform/report_device.h"

namespace kbtest {

using namespace std::chrono_literals;

namespace {
const std::vector<std::uint8_t> kVersionAnswer = {0x07, 0x01, 0x23, 0, 0, 0, 0, 0};
}  // namespace

std::filesystem::path& SuiteFolder() {
  static std::filesystem::path folder;
  return folder;
}

model::DeviceSelector Selector() {
  model::AppConfig config;
  EXPECT_TRUE(model::LoadConfig(SuiteFolder(), config));
  return config.selector;
}

UhidKeyboard& Keyboard() {
  static UhidKeyboard keyboard(kKeyboardVendor, kKeyboardProduct, kVersionAnswer);
  return keyboard;
}

bool WaitForKeyboard(const model::DeviceSelector& selector) {
  for (int i = 0; i < 250; ++i) {
    if (!device::EnumerateHidInterfaces(platform::DefaultHidSystem(), selector).empty()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

std::int32_t RemapListener::OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
  if (page != 0x07) return 0;
  if (usage == kUsageA) vhid->SetKey(0x07, kUsageB, down != 0);
  if (usage == kUsageC && down != 0) {
    vhid->SetKey(0x07, kUsageX, true);
    std::this_thread::sleep_for(80ms);
    vhid->SetKey(0x07, kUsageX, false);
    std::this_thread::sleep_for(80ms);
    vhid->SetKey(0x07, kUsageY, true);
    vhid->SetKey(0x07, kUsageY, false);
  }
  return 0;
}

RemapSession::RemapSession()
    : vhid(platform::DefaultReportDeviceSystem()), channel(platform::DefaultFilterDeviceSystem()) {}

bool RemapSession::Start() {
  if (!vhid.OpenVirtualDevice()) return false;
  listener.vhid = &vhid;
  channel.AddListener(&listener, &RemapListener::OnKeyEvent);
  if (!channel.Open() || channel.StartMonitoring() == 0) return false;
  const std::vector<model::KeyCode> keys = {0x00070000u | kUsageA, 0x00070000u | kUsageC};
  if (channel.SetCaptureTable(keys) == 0) return false;
  for (int i = 0; i < 250; ++i) {
    if (!platform::linux_backend::DefaultKeyFilter().GrabbedNodes().empty()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

void KernelSuite::SetUp() {
  ASSERT_TRUE(Keyboard().Plug());
  ASSERT_TRUE(WaitForKeyboard(Selector()));
}

}  // namespace kbtest
