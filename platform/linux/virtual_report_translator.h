#pragma once
// The virtual HID device's inner working: turns the 64-byte output report (byte 0 = 0x05, byte 1 =
// the inner report ID, then its data) into input events, remembering what the previous reports
// held down so only changes are emitted.
//
//   ID 1 keyboard: data byte 0 unused, data bytes 1-32 a bitmap of keyboard usages 0x00-0xFF.
//                  Keys go down and up by the differences of the key codes the bitmap stands for
//                  (two usages of one key code keep it down while either is set). Within one report
//                  modifiers go down first and up last, so Ctrl+C arrives as Ctrl, C.
//   ID 2 mouse:    buttons (bit n = button usage n: 1 left, 2 right, 3 middle, 4 side, 5 extra,
//                  6 forward, 7 back; bit 0 is no button), then X, Y, wheel as signed relative steps,
//                  moved again with every mouse report while nonzero.
//   ID 3 consumer, ID 4 system control: one 16-bit usage held down (0 = none).
// Every batch of changes ends with a SYN_REPORT. Unknown reports produce nothing.
#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "platform/linux/input_event.h"

namespace platform::linux_backend {

inline constexpr std::uint8_t kVirtualOutputReportId = 0x05;
inline constexpr std::size_t kVirtualOutputReportLength = 64;

class VirtualReportTranslator {
 public:
  // Events for one output report (empty when it changes nothing or is not understood).
  std::vector<InputEvent> Translate(std::span<const std::uint8_t> report);
  // Events that release everything the previous reports hold down; the state becomes empty.
  std::vector<InputEvent> ReleaseEverything();

  // Every key and button code this translator can emit (for setting up the uinput device).
  static std::vector<std::uint16_t> KeyCodes();

 private:
  void TranslateKeyboard(std::span<const std::uint8_t> data, std::vector<InputEvent>& out);
  void TranslateMouse(std::span<const std::uint8_t> data, std::vector<InputEvent>& out);
  void TranslateHeldUsage(std::uint16_t page, std::span<const std::uint8_t> data, std::uint16_t& held,
                          std::vector<InputEvent>& out);

  std::set<std::uint16_t> keyboardCodesDown_;
  std::uint8_t mouseButtons_ = 0;
  std::uint16_t consumerUsage_ = 0;
  std::uint16_t systemUsage_ = 0;
};

}  // namespace platform::linux_backend
