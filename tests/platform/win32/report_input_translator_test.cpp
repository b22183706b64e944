// The virtual device's output reports, built by VHidev's own report builder, turned into the
// input actions SendInput gets.
#include "platform/win32/report_input_translator.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "hostdrv/vhidev_output_report.h"

namespace platform::win32 {

void PrintTo(const InputAction& a, std::ostream* out) {
  *out << "{kind " << int(a.kind) << " down " << a.down << " key " << WinKeyAt(a.key).page << ":" << std::hex
       << WinKeyAt(a.key).usage << std::dec << " button " << int(a.button) << " move " << a.dx << "," << a.dy
       << " wheel " << a.wheelSteps << " usage " << a.usage << "}";
}

namespace {

using Actions = std::vector<InputAction>;

hostdrv::VirtualOutputReport Keyboard(std::initializer_list<std::uint8_t> usagesDown) {
  std::array<std::uint8_t, 33> data{};
  for (std::uint8_t usage : usagesDown) data[1 + usage / 8] |= static_cast<std::uint8_t>(1 << (usage % 8));
  return hostdrv::BuildVirtualOutputReport(data.data(), data.size(), 1);
}
hostdrv::VirtualOutputReport Mouse(std::uint8_t buttons, std::uint8_t x, std::uint8_t y, std::uint8_t wheel) {
  const std::uint8_t data[4] = {buttons, x, y, wheel};
  return hostdrv::BuildVirtualOutputReport(data, sizeof data, 2);
}
hostdrv::VirtualOutputReport Usage(std::uint8_t reportId, std::uint16_t usage) {
  const std::uint8_t data[2] = {static_cast<std::uint8_t>(usage), static_cast<std::uint8_t>(usage >> 8)};
  return hostdrv::BuildVirtualOutputReport(data, sizeof data, reportId);
}

InputAction Key(std::uint16_t page, std::uint16_t usage, bool down) {
  InputAction action;
  action.kind = InputAction::Kind::kKey;
  action.key = FindWinKey(page, usage).value();
  action.down = down;
  return action;
}
InputAction Button(std::uint8_t button, bool down) {
  InputAction action;
  action.kind = InputAction::Kind::kMouseButton;
  action.button = button;
  action.down = down;
  return action;
}
InputAction Move(int dx, int dy) {
  InputAction action;
  action.kind = InputAction::Kind::kMouseMove;
  action.dx = dx;
  action.dy = dy;
  return action;
}
InputAction Wheel(int steps) {
  InputAction action;
  action.kind = InputAction::Kind::kWheel;
  action.wheelSteps = steps;
  return action;
}

TEST(ReportInputTranslator, KeyboardBitmapDifferencesBecomeKeyPressesAndReleases) {
  InjectedState held;
  EXPECT_EQ(TranslateVirtualReport(Keyboard({0x04}), held), (Actions{Key(0x07, 0x04, true)}));
  EXPECT_TRUE(TranslateVirtualReport(Keyboard({0x04}), held).empty());
  EXPECT_EQ(TranslateVirtualReport(Keyboard({0x04, 0x52}), held), (Actions{Key(0x07, 0x52, true)}));
  EXPECT_EQ(TranslateVirtualReport(Keyboard({}), held), (Actions{Key(0x07, 0x04, false), Key(0x07, 0x52, false)}));
  EXPECT_TRUE(held.keys.none());
}

TEST(ReportInputTranslator, ModifiersGoDownFirstAndUpLast) {
  InjectedState held;
  EXPECT_EQ(TranslateVirtualReport(Keyboard({0x06, 0xE0}), held), (Actions{Key(0x07, 0xE0, true), Key(0x07, 0x06, true)}));
  EXPECT_EQ(TranslateVirtualReport(Keyboard({0x19, 0xE1}), held),
            (Actions{Key(0x07, 0xE1, true), Key(0x07, 0x06, false), Key(0x07, 0x19, true), Key(0x07, 0xE0, false)}));
}

TEST(ReportInputTranslator, TwoUsagesOfOneKeyKeepItDownWhileEitherIsSet) {
  InjectedState held;
  EXPECT_EQ(TranslateVirtualReport(Keyboard({0x31}), held), (Actions{Key(0x07, 0x31, true)}));
  EXPECT_TRUE(TranslateVirtualReport(Keyboard({0x31, 0x32}), held).empty());
  EXPECT_TRUE(TranslateVirtualReport(Keyboard({0x32}), held).empty());
  EXPECT_EQ(TranslateVirtualReport(Keyboard({}), held), (Actions{Key(0x07, 0x31, false)}));
}

TEST(ReportInputTranslator, UsagesWithoutAWindowsKeyAndForeignReportsProduceNothing) {
  InjectedState held;
  EXPECT_TRUE(TranslateVirtualReport(Keyboard({0x00, 0x01, 0x7B, 0xA5, 0xF0}), held).empty());
  EXPECT_TRUE(TranslateVirtualReport(Usage(3, 0x00E5), held).empty());  // Bass Boost
  auto foreign = Keyboard({0x04});
  foreign[0] = 0x06;
  EXPECT_TRUE(TranslateVirtualReport(foreign, held).empty());
  EXPECT_TRUE(TranslateVirtualReport(Usage(9, 0x0001), held).empty());
  EXPECT_TRUE(TranslateVirtualReport(std::span(Keyboard({0x04}).data(), 20), held).empty());  // cut short
  EXPECT_TRUE(held.keys.none());
}

TEST(ReportInputTranslator, MouseButtonsChangeAndMovementRepeatsWhileSet) {
  InjectedState held;
  // SetKey(0x05, 1) and (0x05, 2): left, then right as well.
  EXPECT_EQ(TranslateVirtualReport(Mouse(0x02, 0, 0, 0), held), (Actions{Button(1, true)}));
  EXPECT_EQ(TranslateVirtualReport(Mouse(0x06, 0, 0, 0), held), (Actions{Button(2, true)}));
  EXPECT_EQ(TranslateVirtualReport(Mouse(0x04, 0, 0, 0), held), (Actions{Button(1, false)}));
  // Bits 0, 6 and 7 have no Windows button.
  EXPECT_TRUE(TranslateVirtualReport(Mouse(0xC5, 0, 0, 0), held).empty());
  // Movement and wheel are signed steps, sent again with every report.
  EXPECT_EQ(TranslateVirtualReport(Mouse(0x04, 0x30, 0xF0, 0), held), (Actions{Move(48, -16)}));
  EXPECT_EQ(TranslateVirtualReport(Mouse(0x04, 0x30, 0xF0, 0xFF), held), (Actions{Move(48, -16), Wheel(-1)}));
  EXPECT_EQ(TranslateVirtualReport(Mouse(0x00, 0, 0, 0x38), held), (Actions{Button(2, false), Wheel(56)}));
}

TEST(ReportInputTranslator, ConsumerUsageIsHeldAsItsMediaKey) {
  InjectedState held;
  EXPECT_EQ(TranslateVirtualReport(Usage(3, 0x00CD), held), (Actions{Key(0x0C, 0xCD, true)}));
  EXPECT_TRUE(TranslateVirtualReport(Usage(3, 0x00CD), held).empty());
  EXPECT_EQ(TranslateVirtualReport(Usage(3, 0x0223), held), (Actions{Key(0x0C, 0xCD, false), Key(0x0C, 0x223, true)}));
  EXPECT_EQ(TranslateVirtualReport(Usage(3, 0), held), (Actions{Key(0x0C, 0x223, false)}));
}

TEST(ReportInputTranslator, ASystemControlIsPressedOnceUntilTheReportClearsIt) {
  InjectedState held;
  InputAction sleep;
  sleep.kind = InputAction::Kind::kSystemControl;
  sleep.usage = 0x82;
  sleep.down = true;
  EXPECT_EQ(TranslateVirtualReport(Usage(4, 0x0082), held), (Actions{sleep}));
  EXPECT_TRUE(TranslateVirtualReport(Usage(4, 0x0082), held).empty());
  EXPECT_TRUE(TranslateVirtualReport(Usage(4, 0), held).empty());
  EXPECT_EQ(TranslateVirtualReport(Usage(4, 0x0082), held), (Actions{sleep}));
}

TEST(ReportInputTranslator, ReleaseActionsLetGoOfEverythingHeld) {
  InjectedState held;
  TranslateVirtualReport(Keyboard({0x04, 0xE1}), held);
  TranslateVirtualReport(Mouse(0x08, 0x10, 0, 0), held);
  TranslateVirtualReport(Usage(3, 0x00E9), held);
  EXPECT_EQ(ReleaseActions(held),
            (Actions{Key(0x07, 0x04, false), Key(0x07, 0xE1, false), Button(3, false), Key(0x0C, 0xE9, false)}));
  EXPECT_TRUE(held.keys.none());
  EXPECT_EQ(held.buttons, 0);
  EXPECT_EQ(held.consumer, 0);
  EXPECT_TRUE(ReleaseActions(held).empty());
  // What was released is pressed again by the next report that holds it.
  EXPECT_EQ(TranslateVirtualReport(Keyboard({0x04}), held), (Actions{Key(0x07, 0x04, true)}));
}

}  // namespace
}  // namespace platform::win32
