#include "platform/win32/report_input_translator.h"

namespace platform::win32 {

namespace {

constexpr std::uint8_t kKeyboardReport = 1;
constexpr std::uint8_t kMouseReport = 2;
constexpr std::uint8_t kConsumerReport = 3;
constexpr std::uint8_t kSystemReport = 4;
constexpr std::size_t kBitmapBytes = 32;

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

std::bitset<kWinKeyCount> KeysOfBitmap(std::span<const std::uint8_t> bitmap) {
  std::bitset<kWinKeyCount> keys;
  for (std::size_t usage = 0; usage < kBitmapBytes * 8; ++usage) {
    if (((bitmap[usage / 8] >> (usage % 8)) & 1) == 0) continue;
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

void TranslateMouse(std::span<const std::uint8_t> data, InjectedState& held, std::vector<InputAction>& out) {
  if (data.size() < 4) return;
  const auto buttons = static_cast<std::uint8_t>(data[0] & kMouseButtonMask);
  AppendButtonChanges(held.buttons, buttons, out);
  held.buttons = buttons;
  const auto dx = static_cast<std::int8_t>(data[1]);
  const auto dy = static_cast<std::int8_t>(data[2]);
  const auto wheel = static_cast<std::int8_t>(data[3]);
  if (dx != 0 || dy != 0) {
    InputAction move;
    move.kind = InputAction::Kind::kMouseMove;
    move.dx = dx;
    move.dy = dy;
    out.push_back(move);
  }
  if (wheel != 0) {
    InputAction turn;
    turn.kind = InputAction::Kind::kWheel;
    turn.wheelSteps = wheel;
    out.push_back(turn);
  }
}

std::uint16_t Usage16(std::span<const std::uint8_t> data) {
  return data.size() < 2 ? 0 : static_cast<std::uint16_t>(data[0] | data[1] << 8);
}

}  // namespace

std::vector<InputAction> TranslateVirtualReport(std::span<const std::uint8_t> report, InjectedState& held) {
  std::vector<InputAction> out;
  if (report.size() < 2 || report[0] != kVirtualOutputReportId) return out;
  const std::span<const std::uint8_t> data = report.subspan(2);
  switch (report[1]) {
    case kKeyboardReport: {
      if (data.size() < 1 + kBitmapBytes) break;
      const std::bitset<kWinKeyCount> keys = KeysOfBitmap(data.subspan(1, kBitmapBytes));
      AppendKeyChanges(held.keys, keys, out);
      held.keys = keys;
      break;
    }
    case kMouseReport:
      TranslateMouse(data, held, out);
      break;
    case kConsumerReport: {
      if (data.size() < 2) break;
      const std::uint16_t usage = Usage16(data);
      AppendConsumerChange(held.consumer, usage, out);
      held.consumer = usage;
      break;
    }
    case kSystemReport: {
      if (data.size() < 2) break;
      const std::uint16_t usage = Usage16(data);
      if (usage != 0 && usage != held.system) {
        InputAction press;
        press.kind = InputAction::Kind::kSystemControl;
        press.usage = usage;
        press.down = true;
        out.push_back(press);
      }
      held.system = usage;
      break;
    }
    default:
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
