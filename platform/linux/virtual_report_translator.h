#pragma once
// The virtual HID device's inner working on Linux: turns the 64-byte output report, as
// platform/portable/virtual_report.h reads it, into input events, remembering what the previous
// reports held down so only changes are emitted.
//
//   keyboard:       keys go down and up by the differences of the key codes the usages stand for
//                   (two usages of one key code keep it down while either is set). Within one
//                   report modifiers go down first and up last, so Ctrl+C arrives as Ctrl, C.
//   mouse:          buttons 1-7 as BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA,
//                   BTN_FORWARD, BTN_BACK (the kernel's own mapping of a HID mouse's buttons);
//                   X, Y and wheel moved again with every mouse report while nonzero.
//   consumer, system control: the one usage held down, as its key code.
// Every batch of changes ends with a SYN_REPORT. Unknown reports produce nothing.
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "platform/linux/input_event.h"

namespace platform::linux_backend {

class VirtualReportTranslator {
 public:
  // Events for one output report (empty when it changes nothing or is not understood).
  std::vector<InputEvent> Translate(std::span<const std::uint8_t> report);
  // Events that release everything the previous reports hold down; the state becomes empty.
  std::vector<InputEvent> ReleaseEverything();

  // Every key and button code this translator can emit (for setting up the uinput device).
  static std::vector<std::uint16_t> KeyCodes();

 private:
  void TranslateHeldUsage(std::uint16_t page, std::uint16_t usage, std::uint16_t& held, std::vector<InputEvent>& out);

  std::set<std::uint16_t> keyboardCodesDown_;
  std::uint8_t mouseButtons_ = 0;
  std::uint16_t consumerUsage_ = 0;
  std::uint16_t systemUsage_ = 0;
};

}  // namespace platform::linux_backend
