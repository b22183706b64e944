#pragma once
// The keyboard hook's decision, key by key: capture (keep the key from the system and report it
// as a 4-byte key event) or pass. No OS call and no allocation on the way of a key, so the hook
// procedure can call it and return at once.
//
// - Keys typed by programs (injected) always pass: the key filter driver, on the keyboard's own
//   device, never sees them. A typed release only ends the hold of a key that passed.
// - A key keeps the route of its press: a captured key is reported up and kept from the system
//   when released even if the capture set changed meanwhile, and a passed key passes until it is
//   up. So a key held when capture starts (MarkHeld) is not captured until it has been released,
//   and no key is left down on either side. A held virtual key that may be one of several keys
//   marks them all; the first of them released unmarks the others, so a key that was only
//   guessed to be down is captured from its next press on.
// - Repeats of a held captured key are kept from the system and not reported: the filter
//   reports presses and releases.
// - Of the usages a key stands for (win_key_table.h), the first captured one is reported; in the
//   capture-everything mode the first one. A key that stands for no usage always passes.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/portable/capture_set.h"
#include "platform/portable/key_read_queue.h"
#include "platform/win32/win_key_table.h"

namespace platform::win32 {

using portable::CaptureSet;
using portable::KeyEventBytes;

// The extra information (dwExtraInfo) of every input event the program injects itself, so its
// own input can be told from another program's (the keyboard hook passes both).
inline constexpr std::uintptr_t kOwnInputTag = 0x6B62636E;  // "kbcn"

// The key event record: usage (little-endian 16-bit), page (8-bit), flags (bit 0 = down).
KeyEventBytes MakeKeyEventBytes(std::uint16_t page, std::uint16_t usage, bool down);

struct HookedKey {
  std::uint8_t virtualKey = 0;
  std::uint32_t scanCode = 0;
  bool extended = false;
  bool up = false;
  bool injected = false;  // typed by a program (this one or another), not by a keyboard
};

struct HookVerdict {
  bool consume = false;   // keep the key from the system
  bool report = false;    // `event` goes to the pending key-event read (else it is all zero)
  KeyEventBytes event{};

  friend bool operator==(const HookVerdict&, const HookVerdict&) = default;
};

class HookKeyRouter {
 public:
  HookVerdict Route(const HookedKey& key, const CaptureSet& capture);
  // The key is down already (seen down before the hook ran): it passes until released.
  void MarkHeld(const HookedKey& key);
  // `virtualKey` is down already: each of its forms (FormsOfVirtualKey) passes until released.
  void MarkHeld(std::uint8_t virtualKey, const KeyForms& forms);
  // Forgets every held key (the hook stopped, or lost keys): returns the releases of the captured
  // ones, so the program does not keep them down.
  std::vector<KeyEventBytes> Forget();
  bool Holds(const HookedKey& key) const;

 private:
  enum class Way : std::uint8_t { kNone, kPassed, kCaptured };
  struct Held {
    Way way = Way::kNone;
    WinKeyIndex reported = 0;     // the usage its press was reported as
    std::uint8_t guessedFrom = 0;  // the held virtual key it was marked for, with others (0: none)
  };
  void EndGuessesOf(std::uint8_t virtualKey);

  std::array<Held, kWinKeyCount> held_{};  // by the key's first usage
};

}  // namespace platform::win32
