#include "platform/win32/hook_key_router.h"

namespace platform::win32 {

namespace {

KeyEventBytes EventOf(WinKeyIndex index, bool down) {
  const WinKey& key = WinKeyAt(index);
  return MakeKeyEventBytes(key.page, key.usage, down);
}

}  // namespace

KeyEventBytes MakeKeyEventBytes(std::uint16_t page, std::uint16_t usage, bool down) {
  return {static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8),
          static_cast<std::uint8_t>(page), static_cast<std::uint8_t>(down ? 1 : 0)};
}

HookVerdict HookKeyRouter::Route(const HookedKey& key, const CaptureSet& capture) {
  const UsageCandidates usages = UsagesOfKey(key.virtualKey, key.scanCode, key.extended);
  if (usages.empty()) return {};
  Held& held = held_[usages.front()];

  if (key.injected) {
    // A typed release of a key the user holds as well ends nothing of the user's captured press.
    if (key.up && held.way == Way::kPassed) held = Held{};
    return {};
  }

  if (!key.up) {
    if (held.way == Way::kCaptured) return HookVerdict{true, false, {}};  // a repeat
    if (held.way == Way::kPassed) return {};
    for (std::uint8_t i = 0; i < usages.count; ++i) {
      const WinKey& candidate = WinKeyAt(usages.keys[i]);
      if (capture.Captures(candidate.page, candidate.usage)) {
        held = Held{Way::kCaptured, usages.keys[i]};
        return HookVerdict{true, true, EventOf(usages.keys[i], true)};
      }
    }
    held = Held{Way::kPassed, usages.front()};
    return {};
  }

  const Held pressed = held;
  held = Held{};
  if (pressed.guessedFrom != 0) EndGuessesOf(pressed.guessedFrom);
  if (pressed.way != Way::kCaptured) return {};  // passed, or pressed before we looked
  return HookVerdict{true, true, EventOf(pressed.reported, false)};
}

void HookKeyRouter::MarkHeld(const HookedKey& key) {
  const UsageCandidates usages = UsagesOfKey(key.virtualKey, key.scanCode, key.extended);
  if (usages.empty()) return;
  Held& held = held_[usages.front()];
  if (held.way == Way::kNone) held = Held{Way::kPassed, usages.front()};
}

void HookKeyRouter::MarkHeld(std::uint8_t virtualKey, const KeyForms& forms) {
  const std::uint8_t guessedFrom = forms.count > 1 ? virtualKey : 0;
  for (std::uint8_t i = 0; i < forms.count; ++i) {
    const UsageCandidates usages = UsagesOfKey(virtualKey, forms.forms[i].scanCode, forms.forms[i].extended);
    if (usages.empty()) continue;
    Held& held = held_[usages.front()];
    if (held.way == Way::kNone) held = Held{Way::kPassed, usages.front(), guessedFrom};
  }
}

void HookKeyRouter::EndGuessesOf(std::uint8_t virtualKey) {
  for (Held& held : held_) {
    if (held.way == Way::kPassed && held.guessedFrom == virtualKey) held = Held{};
  }
}

std::vector<KeyEventBytes> HookKeyRouter::Forget() {
  std::vector<KeyEventBytes> releases;
  for (Held& held : held_) {
    if (held.way == Way::kCaptured) releases.push_back(EventOf(held.reported, false));
    held = Held{};
  }
  return releases;
}

bool HookKeyRouter::Holds(const HookedKey& key) const {
  const UsageCandidates usages = UsagesOfKey(key.virtualKey, key.scanCode, key.extended);
  return !usages.empty() && held_[usages.front()].way != Way::kNone;
}

}  // namespace platform::win32
