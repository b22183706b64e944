#include "platform/linux/virtual_report_translator.h"

#include <linux/input-event-codes.h>

#include <gtest/gtest.h>

#include <array>

namespace platform::linux_backend {
namespace {

using Report = std::array<std::uint8_t, 64>;

Report Keyboard(std::initializer_list<std::uint8_t> usagesDown) {
  Report report{};
  report[0] = 0x05;
  report[1] = 0x01;
  for (std::uint8_t usage : usagesDown) report[3 + usage / 8] |= static_cast<std::uint8_t>(1 << (usage % 8));
  return report;
}

Report Inner(std::uint8_t id, std::initializer_list<std::uint8_t> data) {
  Report report{};
  report[0] = 0x05;
  report[1] = id;
  std::size_t at = 2;
  for (std::uint8_t byte : data) report[at++] = byte;
  return report;
}

InputEvent Key(std::uint16_t code, int value) { return {EV_KEY, code, value}; }
const InputEvent kSyn{EV_SYN, SYN_REPORT, 0};

TEST(VirtualReportTranslator, KeyboardBitmapDifferencesBecomeKeyEvents) {
  VirtualReportTranslator translator;
  EXPECT_EQ(translator.Translate(Keyboard({0x04})), (std::vector<InputEvent>{Key(KEY_A, 1), kSyn}));
  // Same bitmap again: nothing changes.
  EXPECT_TRUE(translator.Translate(Keyboard({0x04})).empty());
  EXPECT_EQ(translator.Translate(Keyboard({0x04, 0x05})), (std::vector<InputEvent>{Key(KEY_B, 1), kSyn}));
  EXPECT_EQ(translator.Translate(Keyboard({})), (std::vector<InputEvent>{Key(KEY_A, 0), Key(KEY_B, 0), kSyn}));
}

TEST(VirtualReportTranslator, BitmapByteLayoutMatchesTheOutputReport) {
  // Left Shift (0xE1) is bit 1 of bitmap byte 28, i.e. report byte 3 + 28.
  Report report{};
  report[0] = 0x05;
  report[1] = 0x01;
  report[3 + 28] = 0x02;
  VirtualReportTranslator translator;
  EXPECT_EQ(translator.Translate(report), (std::vector<InputEvent>{Key(KEY_LEFTSHIFT, 1), kSyn}));
  // Data byte 0 (report byte 2) carries no key.
  Report unused{};
  unused[0] = 0x05;
  unused[1] = 0x01;
  unused[2] = 0xFF;
  unused[3 + 28] = 0x02;
  EXPECT_TRUE(translator.Translate(unused).empty());
}

TEST(VirtualReportTranslator, ModifiersGoDownFirstAndUpLast) {
  VirtualReportTranslator translator;
  EXPECT_EQ(translator.Translate(Keyboard({0x06, 0xE0})),
            (std::vector<InputEvent>{Key(KEY_LEFTCTRL, 1), Key(KEY_C, 1), kSyn}));
  EXPECT_EQ(translator.Translate(Keyboard({})), (std::vector<InputEvent>{Key(KEY_C, 0), Key(KEY_LEFTCTRL, 0), kSyn}));
}

TEST(VirtualReportTranslator, TwoUsagesOfOneKeyKeepItDownUntilBothAreUp) {
  VirtualReportTranslator translator;
  EXPECT_EQ(translator.Translate(Keyboard({0x31})), (std::vector<InputEvent>{Key(KEY_BACKSLASH, 1), kSyn}));
  EXPECT_TRUE(translator.Translate(Keyboard({0x31, 0x32})).empty());
  EXPECT_TRUE(translator.Translate(Keyboard({0x32})).empty());
  EXPECT_EQ(translator.Translate(Keyboard({})), (std::vector<InputEvent>{Key(KEY_BACKSLASH, 0), kSyn}));
}

TEST(VirtualReportTranslator, ConsumerAndSystemUsagesAreHeldUntilReplaced) {
  VirtualReportTranslator translator;
  EXPECT_EQ(translator.Translate(Inner(3, {0xCD, 0x00})), (std::vector<InputEvent>{Key(KEY_PLAYPAUSE, 1), kSyn}));
  EXPECT_EQ(translator.Translate(Inner(3, {0xE9, 0x00})),
            (std::vector<InputEvent>{Key(KEY_PLAYPAUSE, 0), Key(KEY_VOLUMEUP, 1), kSyn}));
  EXPECT_EQ(translator.Translate(Inner(3, {0x00, 0x00})), (std::vector<InputEvent>{Key(KEY_VOLUMEUP, 0), kSyn}));
  EXPECT_EQ(translator.Translate(Inner(3, {0x23, 0x02})), (std::vector<InputEvent>{Key(KEY_HOMEPAGE, 1), kSyn}));
  EXPECT_EQ(translator.Translate(Inner(4, {0x82, 0x00})), (std::vector<InputEvent>{Key(KEY_SLEEP, 1), kSyn}));
  EXPECT_EQ(translator.Translate(Inner(4, {0x00, 0x00})), (std::vector<InputEvent>{Key(KEY_SLEEP, 0), kSyn}));
}

TEST(VirtualReportTranslator, MouseButtonsAndRelativeMoves) {
  VirtualReportTranslator translator;
  // Bit 2 = button 2 = right; X and Y move by signed steps, the wheel by one notch down.
  EXPECT_EQ(translator.Translate(Inner(2, {0x04, 0x05, 0xFE, 0xFF})),
            (std::vector<InputEvent>{Key(BTN_RIGHT, 1), {EV_REL, REL_X, 5}, {EV_REL, REL_Y, -2},
                                     {EV_REL, REL_WHEEL, -1}, kSyn}));
  // The moves go out again with the next mouse report; the button does not.
  EXPECT_EQ(translator.Translate(Inner(2, {0x04, 0x05, 0x00, 0x00})),
            (std::vector<InputEvent>{{EV_REL, REL_X, 5}, kSyn}));
  EXPECT_EQ(translator.Translate(Inner(2, {0x02, 0x00, 0x00, 0x00})),
            (std::vector<InputEvent>{Key(BTN_LEFT, 1), Key(BTN_RIGHT, 0), kSyn}));
  // Bit 0 is no button.
  EXPECT_EQ(translator.Translate(Inner(2, {0x03, 0x00, 0x00, 0x00})), std::vector<InputEvent>{});
}

TEST(VirtualReportTranslator, ForeignReportsProduceNothing) {
  VirtualReportTranslator translator;
  Report wrongId = Keyboard({0x04});
  wrongId[0] = 0x06;
  EXPECT_TRUE(translator.Translate(wrongId).empty());
  EXPECT_TRUE(translator.Translate(Inner(9, {0x04})).empty());
  EXPECT_TRUE(translator.Translate(std::vector<std::uint8_t>{0x05}).empty());
  // And the state did not change: A is still up, so pressing it is reported.
  EXPECT_EQ(translator.Translate(Keyboard({0x04})), (std::vector<InputEvent>{Key(KEY_A, 1), kSyn}));
}

TEST(VirtualReportTranslator, ReleaseEverythingReleasesWhatIsHeld) {
  VirtualReportTranslator translator;
  translator.Translate(Keyboard({0x04, 0xE1}));
  translator.Translate(Inner(2, {0x02, 0, 0, 0}));
  translator.Translate(Inner(3, {0xE2, 0}));
  translator.Translate(Inner(4, {0x81, 0}));
  EXPECT_EQ(translator.ReleaseEverything(),
            (std::vector<InputEvent>{Key(KEY_A, 0), Key(KEY_LEFTSHIFT, 0), Key(BTN_LEFT, 0), Key(KEY_MUTE, 0),
                                     Key(KEY_POWER, 0), kSyn}));
  EXPECT_TRUE(translator.ReleaseEverything().empty());
}

}  // namespace
}  // namespace platform::linux_backend
