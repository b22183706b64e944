#pragma once
// Decides, event by event, what the key filter does with the input of a grabbed keyboard node:
// a press or release of a captured key becomes a 4-byte key event (usage, page, down flag) for the
// pending key-event read and is kept from the system; everything else goes on to the pass-through
// device unchanged.
//
// - The usage of a key comes from the MSC_SCAN event the HID input layer sends before it (the
//   exact page and usage); without one, from the reverse key table (hid_usage_tables.h).
// - A key keeps the route of its press: a key pressed while captured is reported up when
//   released even if the table changed meanwhile, and a key pressed while not captured is
//   released on the pass-through device. No key is left down on either side.
// - Auto-repeat (value 2) of a captured key is dropped: the filter reports presses and releases.
// - MSC_SCAN events are not passed on; a SYN_REPORT is passed on only when something of its frame
//   was passed on.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/linux/input_event.h"
#include "platform/portable/capture_set.h"

namespace platform::linux_backend {

using portable::CaptureSet;

using KeyEventBytes = std::array<std::uint8_t, 4>;

// The key event record: usage (little-endian 16-bit), page (8-bit), flags (bit 0 = down).
KeyEventBytes MakeKeyEventBytes(std::uint16_t page, std::uint16_t usage, bool down);

class KeyEventRouter {
 public:
  struct Result {
    std::vector<KeyEventBytes> captured;
    std::vector<InputEvent> passThrough;
  };

  void SetCaptureSet(CaptureSet set) { captureSet_ = std::move(set); }
  // Routes one event read from the keyboard node.
  void Route(const InputEvent& event, Result& result);
  // The node went away: releases on the pass-through device every key it pressed there, and
  // reports captured keys still down as released.
  Result Forget();

 private:
  struct HeldKey {
    bool captured = false;
    std::uint16_t page = 0;
    std::uint16_t usage = 0;
  };

  CaptureSet captureSet_;
  std::optional<std::uint32_t> pendingScan_;  // page << 16 | usage of the next key event
  std::map<std::uint16_t, HeldKey> held_;     // key code -> how its press was routed
  bool framePassedSomething_ = false;
};

}  // namespace platform::linux_backend
