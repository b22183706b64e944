#pragma once
// What the kernel suite's tests share: the folder of the suite (config.xml), the emulated
// keyboard, and the remapping the program sets up (virtual device, key filter channel, listener).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/records/record_store.h"
#include "playback/macro_player.h"
#include "uhid_keyboard.h"

namespace kbtest {

inline constexpr std::uint32_t kOpenMode = 0xC0000003;
inline constexpr std::uint8_t kUsageA = 0x04, kUsageB = 0x05, kUsageC = 0x06, kUsageD = 0x07, kUsageX = 0x1B,
                              kUsageY = 0x1C;
inline constexpr char kPassThroughName[] = "kbconfig key filter pass-through";
inline constexpr std::uint16_t kKeyboardVendor = 0x1A2B;
inline constexpr std::uint16_t kKeyboardProduct = 0x0C3D;

// The folder holding the suite's config.xml (set by main).
std::filesystem::path& SuiteFolder();
model::DeviceSelector Selector();
UhidKeyboard& Keyboard();
// Waits until the emulated keyboard's hidraw interfaces are listed.
bool WaitForKeyboard(const model::DeviceSelector& selector);

// The key records the sessions play: A -> B (play 1, press and release follow the key); C -> a
// macro played once per press: X down, 80 ms, X up, 80 ms, Y down, Y up.
inline constexpr int kMacroDelayMs = 80;
void StoreRemapRecords(model::RecordStore& records);

// Everything the program sets up for remapping: virtual device, key filter channel, and the
// program's key-event routine and macro playback (the macro player) as the channel's listener.
struct RemapSession {
  RemapSession();
  ~RemapSession();
  model::RecordStore records;
  hostdrv::VHidev vhid;
  playback::MacroPlayer player;
  HidUsbFilter::KeyFilterChannel channel;

  // Opens the virtual device and the channel, starts monitoring, captures A and C, and waits until
  // the keyboard is grabbed.
  bool Start();
};

// Plugs the keyboard in and waits until it is listed.
class KernelSuite : public ::testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace kbtest
