#include "platform/linux/virtual_report_translator.h"

#include <linux/input-event-codes.h>

#include <algorithm>

#include "platform/linux/hid_usage_tables.h"

namespace platform::linux_backend {

namespace {

constexpr std::uint8_t kKeyboardReport = 1;
constexpr std::uint8_t kMouseReport = 2;
constexpr std::uint8_t kConsumerReport = 3;
constexpr std::uint8_t kSystemReport = 4;

constexpr std::size_t kBitmapBytes = 32;
constexpr std::uint16_t kMouseButtonCodes[8] = {0, BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA, BTN_FORWARD, BTN_BACK};

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

}  // namespace

std::vector<InputEvent> VirtualReportTranslator::Translate(std::span<const std::uint8_t> report) {
  std::vector<InputEvent> out;
  if (report.size() < 2 || report[0] != kVirtualOutputReportId) return out;
  const std::span<const std::uint8_t> data = report.subspan(2);
  switch (report[1]) {
    case kKeyboardReport: TranslateKeyboard(data, out); break;
    case kMouseReport: TranslateMouse(data, out); break;
    case kConsumerReport: TranslateHeldUsage(kConsumerPage, data, consumerUsage_, out); break;
    case kSystemReport: TranslateHeldUsage(kGenericDesktopPage, data, systemUsage_, out); break;
    default: break;
  }
  EndBatch(out);
  return out;
}

void VirtualReportTranslator::TranslateKeyboard(std::span<const std::uint8_t> data, std::vector<InputEvent>& out) {
  if (data.size() < 1 + kBitmapBytes) return;
  std::set<std::uint16_t> down;
  for (std::size_t usage = 0; usage < kBitmapBytes * 8; ++usage) {
    if ((data[1 + usage / 8] >> (usage % 8)) & 1) {
      if (auto code = HidUsageToEvdev({kKeyboardPage, static_cast<std::uint16_t>(usage)})) down.insert(*code);
    }
  }
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
}

void VirtualReportTranslator::TranslateMouse(std::span<const std::uint8_t> data, std::vector<InputEvent>& out) {
  if (data.size() < 4) return;
  const std::uint8_t buttons = data[0];
  for (int bit = 1; bit < 8; ++bit) {
    const bool now = (buttons >> bit) & 1;
    if (now != static_cast<bool>((mouseButtons_ >> bit) & 1)) out.push_back(Key(kMouseButtonCodes[bit], now));
  }
  mouseButtons_ = buttons;
  const auto relative = [&](std::uint16_t axis, std::uint8_t raw) {
    const auto steps = static_cast<std::int8_t>(raw);
    if (steps != 0) out.push_back(InputEvent{EV_REL, axis, steps});
  };
  relative(REL_X, data[1]);
  relative(REL_Y, data[2]);
  relative(REL_WHEEL, data[3]);
}

void VirtualReportTranslator::TranslateHeldUsage(std::uint16_t page, std::span<const std::uint8_t> data,
                                                 std::uint16_t& held, std::vector<InputEvent>& out) {
  if (data.size() < 2) return;
  const auto usage = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
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
  for (int bit = 1; bit < 8; ++bit) {
    if ((mouseButtons_ >> bit) & 1) out.push_back(Key(kMouseButtonCodes[bit], false));
  }
  mouseButtons_ = 0;
  const std::uint8_t none[2] = {0, 0};
  TranslateHeldUsage(kConsumerPage, none, consumerUsage_, out);
  TranslateHeldUsage(kGenericDesktopPage, none, systemUsage_, out);
  EndBatch(out);
  return out;
}

std::vector<std::uint16_t> VirtualReportTranslator::KeyCodes() {
  std::set<std::uint16_t> codes;
  for (const auto& [usage, code] : AllHidKeyMappings()) codes.insert(code);
  for (int bit = 1; bit < 8; ++bit) codes.insert(kMouseButtonCodes[bit]);
  return {codes.begin(), codes.end()};
}

}  // namespace platform::linux_backend
