#include "platform/linux/virtual_report_translator.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <bitset>
#include <iterator>

#include "platform/linux/hid_usage_tables.h"
#include "platform/portable/virtual_report.h"

namespace platform::linux_backend {

namespace {

using portable::VirtualInputReport;

constexpr std::uint16_t kMouseButtonCodes[portable::kLastMouseButton + 1] = {
    0, BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA, BTN_FORWARD, BTN_BACK};

bool IsModifier(std::uint16_t code) {
  switch (code) {
    case KEY_LEFTCTRL: case KEY_LEFTSHIFT: case KEY_LEFTALT: case KEY_LEFTMETA:
    case KEY_RIGHTCTRL: case KEY_RIGHTSHIFT: case KEY_RIGHTALT: case KEY_RIGHTMETA:
      return true;
    default:
      return false;
  }
}

InputEvent Key(std::uint16_t code, bool down) { return InputEvent{EV_KEY, code, down ? 1 : 0}; }

void EndBatch(std::vector<InputEvent>& out) {
  if (!out.empty()) out.push_back(InputEvent{EV_SYN, SYN_REPORT, 0});
}

std::set<std::uint16_t> KeyCodesOf(const std::bitset<256>& usages) {
  std::set<std::uint16_t> codes;
  for (std::size_t usage = 0; usage < usages.size(); ++usage) {
    if (!usages.test(usage)) continue;
    if (auto code = HidUsageToEvdev({kKeyboardPage, static_cast<std::uint16_t>(usage)})) codes.insert(*code);
  }
  return codes;
}

void AppendButtonChanges(std::uint8_t before, std::uint8_t after, std::vector<InputEvent>& out) {
  for (int button = 1; button <= portable::kLastMouseButton; ++button) {
    const bool now = (after >> button) & 1;
    if (now != static_cast<bool>((before >> button) & 1)) out.push_back(Key(kMouseButtonCodes[button], now));
  }
}

}  // namespace

std::vector<InputEvent> VirtualReportTranslator::Translate(std::span<const std::uint8_t> report) {
  std::vector<InputEvent> out;
  const VirtualInputReport decoded = portable::DecodeVirtualReport(report);
  switch (decoded.kind) {
    case VirtualInputReport::Kind::kKeyboard: {
      std::set<std::uint16_t> down = KeyCodesOf(decoded.keys);
      std::vector<std::uint16_t> pressed, released;
      std::set_difference(down.begin(), down.end(), keyboardCodesDown_.begin(), keyboardCodesDown_.end(),
                          std::back_inserter(pressed));
      std::set_difference(keyboardCodesDown_.begin(), keyboardCodesDown_.end(), down.begin(), down.end(),
                          std::back_inserter(released));
      for (std::uint16_t code : pressed) if (IsModifier(code)) out.push_back(Key(code, true));
      for (std::uint16_t code : released) if (!IsModifier(code)) out.push_back(Key(code, false));
      for (std::uint16_t code : pressed) if (!IsModifier(code)) out.push_back(Key(code, true));
      for (std::uint16_t code : released) if (IsModifier(code)) out.push_back(Key(code, false));
      keyboardCodesDown_ = std::move(down);
      break;
    }
    case VirtualInputReport::Kind::kMouse: {
      AppendButtonChanges(mouseButtons_, decoded.buttons, out);
      mouseButtons_ = decoded.buttons;
      const auto relative = [&](std::uint16_t axis, std::int8_t steps) {
        if (steps != 0) out.push_back(InputEvent{EV_REL, axis, steps});
      };
      relative(REL_X, decoded.x);
      relative(REL_Y, decoded.y);
      relative(REL_WHEEL, decoded.wheel);
      break;
    }
    case VirtualInputReport::Kind::kConsumer:
      TranslateHeldUsage(kConsumerPage, decoded.usage, consumerUsage_, out);
      break;
    case VirtualInputReport::Kind::kSystemControl:
      TranslateHeldUsage(kGenericDesktopPage, decoded.usage, systemUsage_, out);
      break;
    case VirtualInputReport::Kind::kNone:
      break;
  }
  EndBatch(out);
  return out;
}

void VirtualReportTranslator::TranslateHeldUsage(std::uint16_t page, std::uint16_t usage, std::uint16_t& held,
                                                 std::vector<InputEvent>& out) {
  if (usage == held) return;
  if (held != 0) {
    if (auto code = HidUsageToEvdev({page, held})) out.push_back(Key(*code, false));
  }
  if (usage != 0) {
    if (auto code = HidUsageToEvdev({page, usage})) out.push_back(Key(*code, true));
  }
  held = usage;
}

std::vector<InputEvent> VirtualReportTranslator::ReleaseEverything() {
  std::vector<InputEvent> out;
  for (std::uint16_t code : keyboardCodesDown_) if (!IsModifier(code)) out.push_back(Key(code, false));
  for (std::uint16_t code : keyboardCodesDown_) if (IsModifier(code)) out.push_back(Key(code, false));
  keyboardCodesDown_.clear();
  AppendButtonChanges(mouseButtons_, 0, out);
  mouseButtons_ = 0;
  TranslateHeldUsage(kConsumerPage, 0, consumerUsage_, out);
  TranslateHeldUsage(kGenericDesktopPage, 0, systemUsage_, out);
  EndBatch(out);
  return out;
}

std::vector<std::uint16_t> VirtualReportTranslator::KeyCodes() {
  std::set<std::uint16_t> codes;
  for (const auto& [usage, code] : AllHidKeyMappings()) codes.insert(code);
  for (int button = 1; button <= portable::kLastMouseButton; ++button) codes.insert(kMouseButtonCodes[button]);
  return {codes.begin(), codes.end()};
}

}  // namespace platform::linux_backend
