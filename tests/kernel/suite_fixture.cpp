#include "suite_fixture.h"

#include <chrono>
#include <thread>

#include "device/discovery/enumerate_hid_interfaces.h"
#include "model/config/load_config.h"
#include "platform/filter_device.h"
#include "platform/hid.h"
#include "platform/linux/linux_backend.h"
#include "platform/report_device.h"
#include "support/logger.h"

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

void StoreRemapRecords(model::RecordStore& records) {
  constexpr model::KeyCode kPage7 = 0x00070000;
  model::KeyRecord single;
  single.code = kPage7 | kUsageA;
  single.type = 1;
  single.play = 1;
  single.repeat = 1;
  single.steps = {model::MacroStep{kPage7 | kUsageB, 1, 0, L"B"}};
  model::KeyRecord macro;
  macro.code = kPage7 | kUsageC;
  macro.play = 8;
  macro.repeat = 1;
  macro.steps = {model::MacroStep{kPage7 | kUsageX, 1, kMacroDelayMs, L"X"},
                 model::MacroStep{kPage7 | kUsageX, 0, kMacroDelayMs, L"X"},
                 model::MacroStep{kPage7 | kUsageY, 1, 0, L"Y"}, model::MacroStep{kPage7 | kUsageY, 0, 0, L"Y"}};
  support::ScopedLogCapture quiet;  // a store without a file logs its saves
  records.UpsertRecord(single);
  records.UpsertRecord(macro);
}

RemapSession::RemapSession()
    : vhid(platform::DefaultReportDeviceSystem()),
      player(records, vhid),
      channel(platform::DefaultFilterDeviceSystem()) {
  StoreRemapRecords(records);
}

// As the main window goes: the playback ends before the channel that calls it.
RemapSession::~RemapSession() {
  channel.RemoveListener(&player, &playback::MacroPlayer::OnKeyEvent);
  player.Shutdown();
}

bool RemapSession::Start() {
  if (!vhid.OpenVirtualDevice()) return false;
  channel.AddListener(&player, &playback::MacroPlayer::OnKeyEvent);
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
