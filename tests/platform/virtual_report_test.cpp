// The virtual HID device's output report, read from its exact bytes.
#include "platform/portable/virtual_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace platform::portable {
namespace {

using Kind = VirtualInputReport::Kind;

// 64 bytes: the given ones, then zeros.
std::vector<std::uint8_t> Report(std::initializer_list<std::uint8_t> bytes) {
  std::vector<std::uint8_t> report(bytes);
  report.resize(64, 0);
  return report;
}

std::vector<std::uint8_t> Set(std::vector<std::uint8_t> report, std::size_t index, std::uint8_t value) {
  report[index] = value;
  return report;
}

VirtualInputReport Keys(std::initializer_list<std::size_t> usages) {
  VirtualInputReport report;
  report.kind = Kind::kKeyboard;
  for (std::size_t usage : usages) report.keys.set(usage);
  return report;
}

VirtualInputReport Mouse(std::uint8_t buttons, std::int8_t x, std::int8_t y, std::int8_t wheel) {
  VirtualInputReport report;
  report.kind = Kind::kMouse;
  report.buttons = buttons;
  report.x = x;
  report.y = y;
  report.wheel = wheel;
  return report;
}

VirtualInputReport Usage(Kind kind, std::uint16_t usage) {
  VirtualInputReport report;
  report.kind = kind;
  report.usage = usage;
  return report;
}

TEST(VirtualReport, EachInnerReportIsReadFromItsBytes) {
  std::vector<std::uint8_t> everyKey = Report({0x05, 0x01, 0xAA});
  std::fill(everyKey.begin() + 3, everyKey.begin() + 35, 0xFF);
  VirtualInputReport all = Keys({});
  all.keys.set();
  std::vector<std::uint8_t> shortKeyboard = Report({0x05, 0x01});
  shortKeyboard.resize(34);  // one bitmap byte short

  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    VirtualInputReport expected;
  } cases[] = {
      // Usage u is bit u & 7 of bitmap byte u >> 3; data byte 0 is not read.
      {"A and Left Shift", Set(Report({0x05, 0x01, 0x00, 0x10}), 31, 0x02), Keys({0x04, 0xE1})},
      {"usage 0 and usage 0xFF", Set(Report({0x05, 0x01, 0x00, 0x01}), 34, 0x80), Keys({0x00, 0xFF})},
      {"every usage", everyKey, all},
      {"no key", Report({0x05, 0x01}), Keys({})},
      // Bit 0 of the buttons byte names no button; X, Y and wheel are signed.
      {"mouse, every bit", Report({0x05, 0x02, 0xFF, 0xFF, 0x05, 0xFE}), Mouse(0xFE, -1, 5, -2)},
      {"mouse, left and right", Report({0x05, 0x02, 0x06, 0x7F, 0x80, 0x01}), Mouse(0x06, 127, -128, 1)},
      {"Play Pause", Report({0x05, 0x03, 0xCD, 0x00}), Usage(Kind::kConsumer, 0x00CD)},
      {"WWW Home", Report({0x05, 0x03, 0x23, 0x02}), Usage(Kind::kConsumer, 0x0223)},
      {"no consumer key", Report({0x05, 0x03}), Usage(Kind::kConsumer, 0)},
      {"System Sleep", Report({0x05, 0x04, 0x82, 0x00}), Usage(Kind::kSystemControl, 0x0082)},
      {"another report ID", Report({0x06, 0x01, 0x00, 0x10}), VirtualInputReport{}},
      {"an unknown inner report", Report({0x05, 0x05, 0x10}), VirtualInputReport{}},
      {"inner ID 0", Report({0x05, 0x00, 0x10}), VirtualInputReport{}},
      {"a keyboard report too short", shortKeyboard, VirtualInputReport{}},
      {"a mouse report too short", {0x05, 0x02, 0x01, 0x01, 0x01}, VirtualInputReport{}},
      {"a consumer report too short", {0x05, 0x03, 0xCD}, VirtualInputReport{}},
      {"the report ID alone", {0x05}, VirtualInputReport{}},
  };
  for (const auto& c : cases) {
    const VirtualInputReport decoded = DecodeVirtualReport(c.bytes);
    EXPECT_EQ(decoded, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace platform::portable
