#pragma once
// The virtual HID device's inner working on Windows without its driver: turns the 64-byte output
// report, as platform/portable/virtual_report.h reads it, into input actions for SendInput, from
// what the injection holds down now. No OS call.
//
//   keyboard:       keys go down and up by the differences to what is held; two usages of one
//                   key ("\" and "Europe 1") keep it down while either is set. Within one report
//                   modifiers go down first and up last, so Ctrl+C arrives as Ctrl, C.
//   mouse:          buttons 1-5 (left, right, middle and the two side buttons, all Windows
//                   has); buttons 6 and 7 press nothing. X, Y and wheel moved again with every
//                   mouse report while nonzero.
//   consumer:       the usage held down, typed as its media key.
//   system control: a change to a nonzero usage is one press of that system control (power
//                   actions, not keys).
// Usages Windows has no key for produce nothing; so do unknown reports.
#include <bitset>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/win32/win_key_table.h"

namespace platform::win32 {

inline constexpr std::uint8_t kMouseButtonMask = 0x3E;  // buttons 1-5

struct InputAction {
  enum class Kind : std::uint8_t { kKey, kMouseButton, kMouseMove, kWheel, kSystemControl };
  Kind kind = Kind::kKey;
  bool down = false;
  WinKeyIndex key = 0;        // kKey
  std::uint8_t button = 0;    // kMouseButton: 1 left, 2 right, 3 middle, 4 and 5 the side buttons
  std::int32_t dx = 0;        // kMouseMove
  std::int32_t dy = 0;
  std::int32_t wheelSteps = 0;  // kWheel: notches, positive away from the user
  std::uint16_t usage = 0;      // kSystemControl: the system control pressed

  friend bool operator==(const InputAction&, const InputAction&) = default;
};

// What the injection holds down.
struct InjectedState {
  std::bitset<kWinKeyCount> keys;  // keyboard report keys, by the key's first table index
  std::uint8_t buttons = 0;        // mouse buttons (bits 1-5)
  std::uint16_t consumer = 0;      // the consumer usage held
  std::uint16_t system = 0;        // the system control last pressed, until the report clears it
};

// The actions one output report asks for; `held` becomes the state after them.
std::vector<InputAction> TranslateVirtualReport(std::span<const std::uint8_t> report, InjectedState& held);
// The actions that release everything in `held`; `held` becomes empty.
std::vector<InputAction> ReleaseActions(InjectedState& held);

}  // namespace platform::win32
