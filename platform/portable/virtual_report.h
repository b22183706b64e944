#pragma once
// The virtual HID device's output report read once, for every backend that plays the device
// without its driver (uinput on Linux, SendInput on Windows). See platform/virtual_report_format.h
// for the bytes.
//
//   keyboard:       the keyboard usages 0x00-0xFF held down (usage u is bit u & 7 of bitmap byte
//                   u >> 3).
//   mouse:          buttons, then X, Y and wheel as signed relative steps. Bit n of the buttons
//                   byte is button n of the HID button page: 1 primary (left), 2 secondary
//                   (right), 3 middle, 4 and 5 the side buttons (back, forward), 6 and 7 two more.
//                   Bit 0 is usage 0, no button, and is dropped here. What each system can press
//                   of them is its backend's business: Linux all seven, as its kernel does for a
//                   HID mouse (BTN_LEFT ... BTN_BACK); Windows the first five, all that SendInput
//                   and its own HID mouse driver know.
//   consumer:       the consumer usage held down (0: none).
//   system control: the system-control usage held down (0: none).
// A report of another ID, or too short for its data, reads as none.
#include <bitset>
#include <cstdint>
#include <span>

#include "platform/virtual_report_format.h"

namespace platform::portable {

inline constexpr std::uint8_t kMouseButtonBits = 0xFE;  // buttons 1-7
inline constexpr int kLastMouseButton = 7;

struct VirtualInputReport {
  enum class Kind : std::uint8_t { kNone, kKeyboard, kMouse, kConsumer, kSystemControl };
  Kind kind = Kind::kNone;
  std::bitset<256> keys;      // kKeyboard
  std::uint8_t buttons = 0;   // kMouse: bit n = button n, 1-7
  std::int8_t x = 0;          // kMouse
  std::int8_t y = 0;
  std::int8_t wheel = 0;
  std::uint16_t usage = 0;    // kConsumer, kSystemControl

  friend bool operator==(const VirtualInputReport&, const VirtualInputReport&) = default;
};

VirtualInputReport DecodeVirtualReport(std::span<const std::uint8_t> report);

}  // namespace platform::portable
