#include "platform/win32/report_input_translator.h"

#include "platform/portable/virtual_report.h"

namespace platform::win32 {

namespace {

using portable::VirtualInputReport;

InputAction Key(WinKeyIndex key, bool down) {
  InputAction action;
  action.kind = InputAction::Kind::kKey;
  action.key = key;
  action.down = down;
  return action;
}

// The first key of the table typed the same way: usages that share a key share its state.
WinKeyIndex SameKeyAs(WinKeyIndex index) {
  const WinKey& key = WinKeyAt(index);
  for (WinKeyIndex other = 0; other < index; ++other) {
    const WinKey& candidate = WinKeyAt(other);
    const bool sameScan = key.scanCode != 0 && candidate.scanCode == key.scanCode && candidate.extended == key.extended;
    const bool sameVirtualKey = key.scanCode == 0 && candidate.scanCode == 0 && candidate.virtualKey == key.virtualKey;
    if (sameScan || sameVirtualKey) return other;
  }
  return index;
}

std::bitset<kWinKeyCount> KeysOf(const std::bitset<256>& usages) {
  std::bitset<kWinKeyCount> keys;
  for (std::size_t usage = 0; usage < usages.size(); ++usage) {
    if (!usages.test(usage)) continue;
    const std::optional<WinKeyIndex> key = FindWinKey(kKeyboardPage, static_cast<std::uint16_t>(usage));
    if (key && WinKeyAt(*key).Typeable()) keys.set(SameKeyAs(*key));
  }
  return keys;
}

// Modifiers down first, then the other keys up, the other keys down, modifiers up.
void AppendKeyChanges(const std::bitset<kWinKeyCount>& before, const std::bitset<kWinKeyCount>& after,
                      std::vector<InputAction>& out) {
  const auto pass = [&](bool modifiers, bool down) {
    const std::bitset<kWinKeyCount> changed = down ? after & ~before : before & ~after;
    for (WinKeyIndex key = 0; key < kWinKeyCount; ++key) {
      if (changed.test(key) && WinKeyAt(key).IsModifier() == modifiers) out.push_back(Key(key, down));
    }
  };
  pass(true, true);
  pass(false, false);
  pass(false, true);
  pass(true, false);
}

void AppendButtonChanges(std::uint8_t before, std::uint8_t after, std::vector<InputAction>& out) {
  for (std::uint8_t button = 1; button <= 5; ++button) {
    const bool wasDown = (before >> button) & 1;
    const bool isDown = (after >> button) & 1;
    if (wasDown == isDown) continue;
    InputAction action;
    action.kind = InputAction::Kind::kMouseButton;
    action.button = button;
    action.down = isDown;
    out.push_back(action);
  }
}

void AppendConsumerChange(std::uint16_t before, std::uint16_t after, std::vector<InputAction>& out) {
  if (before == after) return;
  const auto typed = [](std::uint16_t usage) {
    const std::optional<WinKeyIndex> key = usage != 0 ? FindWinKey(kConsumerPage, usage) : std::nullopt;
    return key && WinKeyAt(*key).Typeable() ? key : std::nullopt;
  };
  if (const auto key = typed(before)) out.push_back(Key(*key, false));
  if (const auto key = typed(after)) out.push_back(Key(*key, true));
}

void TranslateMouse(const VirtualInputReport& report, InjectedState& held, std::vector<InputAction>& out) {
  const auto buttons = static_cast<std::uint8_t>(report.buttons & kMouseButtonMask);
  AppendButtonChanges(held.buttons, buttons, out);
  held.buttons = buttons;
  if (report.x != 0 || report.y != 0) {
    InputAction move;
    move.kind = InputAction::Kind::kMouseMove;
    move.dx = report.x;
    move.dy = report.y;
    out.push_back(move);
  }
  if (report.wheel != 0) {
    InputAction turn;
    turn.kind = InputAction::Kind::kWheel;
    turn.wheelSteps = report.wheel;
    out.push_back(turn);
  }
}

}  // namespace

std::vector<InputAction> TranslateVirtualReport(std::span<const std::uint8_t> report, InjectedState& held) {
  std::vector<InputAction> out;
  const VirtualInputReport decoded = portable::DecodeVirtualReport(report);
  switch (decoded.kind) {
    case VirtualInputReport::Kind::kKeyboard: {
      const std::bitset<kWinKeyCount> keys = KeysOf(decoded.keys);
      AppendKeyChanges(held.keys, keys, out);
      held.keys = keys;
      break;
    }
    case VirtualInputReport::Kind::kMouse:
      TranslateMouse(decoded, held, out);
      break;
    case VirtualInputReport::Kind::kConsumer:
      AppendConsumerChange(held.consumer, decoded.usage, out);
      held.consumer = decoded.usage;
      break;
    case VirtualInputReport::Kind::kSystemControl:
      if (decoded.usage != 0 && decoded.usage != held.system) {
        InputAction press;
        press.kind = InputAction::Kind::kSystemControl;
        press.usage = decoded.usage;
        press.down = true;
        out.push_back(press);
      }
      held.system = decoded.usage;
      break;
    case VirtualInputReport::Kind::kNone:
      break;
  }
  return out;
}

std::vector<InputAction> ReleaseActions(InjectedState& held) {
  std::vector<InputAction> out;
  AppendKeyChanges(held.keys, {}, out);
  AppendButtonChanges(held.buttons, 0, out);
  AppendConsumerChange(held.consumer, 0, out);
  held = InjectedState{};
  return out;
}

}  // namespace platform::win32
