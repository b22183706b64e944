#include "platform/linux/key_event_router.h"

#include <linux/input-event-codes.h>

#include <gtest/gtest.h>

namespace platform::linux_backend {
namespace {

std::vector<std::uint8_t> Table(std::initializer_list<std::array<std::uint8_t, 4>> entries) {
  std::vector<std::uint8_t> table(1024, 0);
  std::size_t at = 0;
  for (const auto& entry : entries) {
    for (std::uint8_t byte : entry) table[at++] = byte;
  }
  return table;
}

CaptureSet Captures(std::initializer_list<std::array<std::uint8_t, 4>> entries) {
  return *CaptureSet::FromTable(Table(entries));
}

const InputEvent kSyn{EV_SYN, SYN_REPORT, 0};
InputEvent Scan(std::uint32_t usage) { return {EV_MSC, MSC_SCAN, static_cast<std::int32_t>(usage)}; }
InputEvent Key(std::uint16_t code, int value) { return {EV_KEY, code, value}; }

KeyEventRouter::Result RouteAll(KeyEventRouter& router, std::initializer_list<InputEvent> events) {
  KeyEventRouter::Result result;
  for (const InputEvent& event : events) router.Route(event, result);
  return result;
}

TEST(CaptureSet, ReadsFlaggedEntriesByTheirLowBytes) {
  const auto set = CaptureSet::FromTable(Table({{0x04, 0x00, 0x07, 0x02}, {0xE9, 0x00, 0x0C, 0x02}, {0x05, 0x00, 0x07, 0x01}}));
  ASSERT_TRUE(set);
  EXPECT_EQ(set->Size(), 2u);
  EXPECT_TRUE(set->Captures(0x07, 0x04));
  EXPECT_TRUE(set->Captures(0x0C, 0xE9));
  EXPECT_FALSE(set->Captures(0x07, 0x05));  // no capture flag
  EXPECT_TRUE(set->Captures(0x0C, 0x2E9));  // low 8 bits of the usage count, as the table stores them
  EXPECT_FALSE(set->Captures(0x00, 0x00));  // zero entries capture nothing
}

TEST(CaptureSet, EverythingCapturesEveryKeyOfEveryPage) {
  const CaptureSet all = CaptureSet::Everything();
  EXPECT_TRUE(all.Captures(0x07, 0x04));
  EXPECT_TRUE(all.Captures(0x0C, 0xE9));
  EXPECT_FALSE(all.Empty());
  EXPECT_TRUE(CaptureSet().Empty());
}

TEST(CaptureSet, RejectsTablesThatAreNotWholeEntries) {
  EXPECT_FALSE(CaptureSet::FromTable(std::vector<std::uint8_t>(1023, 0)));
  EXPECT_FALSE(CaptureSet::FromTable(std::vector<std::uint8_t>(1028, 0)));
  const auto cleared = CaptureSet::FromTable(std::vector<std::uint8_t>(256, 0));
  ASSERT_TRUE(cleared);
  EXPECT_TRUE(cleared->Empty());
}

TEST(KeyEventRouter, CapturedKeyBecomesKeyEventBytesAndIsKeptFromTheSystem) {
  KeyEventRouter router;
  router.SetCaptureSet(Captures({{0x04, 0x00, 0x07, 0x02}}));
  const auto down = RouteAll(router, {Scan(0x70004), Key(KEY_A, 1), kSyn});
  ASSERT_EQ(down.captured.size(), 1u);
  EXPECT_EQ(down.captured[0], (KeyEventBytes{0x04, 0x00, 0x07, 0x01}));
  EXPECT_TRUE(down.passThrough.empty());  // not even the SYN_REPORT of an emptied frame

  const auto repeat = RouteAll(router, {Key(KEY_A, 2), kSyn});
  EXPECT_TRUE(repeat.captured.empty());
  EXPECT_TRUE(repeat.passThrough.empty());

  const auto up = RouteAll(router, {Scan(0x70004), Key(KEY_A, 0), kSyn});
  ASSERT_EQ(up.captured.size(), 1u);
  EXPECT_EQ(up.captured[0], (KeyEventBytes{0x04, 0x00, 0x07, 0x00}));
}

TEST(KeyEventRouter, UncapturedKeysPassThroughWithTheirFrame) {
  KeyEventRouter router;
  router.SetCaptureSet(Captures({{0x04, 0x00, 0x07, 0x02}}));
  const auto result = RouteAll(router, {Scan(0x70005), Key(KEY_B, 1), kSyn, Key(KEY_B, 2), kSyn});
  EXPECT_TRUE(result.captured.empty());
  EXPECT_EQ(result.passThrough, (std::vector<InputEvent>{Key(KEY_B, 1), kSyn, Key(KEY_B, 2), kSyn}));
}

TEST(KeyEventRouter, ScanCodeGivesTheExactUsageOfAnAmbiguousKey) {
  KeyEventRouter router;
  router.SetCaptureSet(Captures({{0xE2, 0x00, 0x0C, 0x02}}));  // consumer Mute
  const auto consumerMute = RouteAll(router, {Scan(0xC00E2), Key(KEY_MUTE, 1), kSyn});
  ASSERT_EQ(consumerMute.captured.size(), 1u);
  EXPECT_EQ(consumerMute.captured[0], (KeyEventBytes{0xE2, 0x00, 0x0C, 0x01}));
  RouteAll(router, {Scan(0xC00E2), Key(KEY_MUTE, 0), kSyn});

  // Without a scan code the reverse table decides: KEY_MUTE -> keyboard 0x7F, not captured.
  const auto keyboardMute = RouteAll(router, {Key(KEY_MUTE, 1), kSyn});
  EXPECT_TRUE(keyboardMute.captured.empty());
  EXPECT_EQ(keyboardMute.passThrough, (std::vector<InputEvent>{Key(KEY_MUTE, 1), kSyn}));
}

TEST(KeyEventRouter, WideUsageIsReportedWhole) {
  KeyEventRouter router;
  router.SetCaptureSet(Captures({{0x23, 0x00, 0x0C, 0x02}}));  // table keeps the low byte of 0x223
  const auto result = RouteAll(router, {Scan(0xC0223), Key(KEY_HOMEPAGE, 1), kSyn});
  ASSERT_EQ(result.captured.size(), 1u);
  EXPECT_EQ(result.captured[0], (KeyEventBytes{0x23, 0x02, 0x0C, 0x01}));
}

TEST(KeyEventRouter, AKeyKeepsTheRouteOfItsPressWhenTheTableChanges) {
  KeyEventRouter router;
  router.SetCaptureSet(Captures({{0x04, 0x00, 0x07, 0x02}}));
  RouteAll(router, {Key(KEY_A, 1), Key(KEY_B, 1), kSyn});
  router.SetCaptureSet(Captures({{0x05, 0x00, 0x07, 0x02}}));  // now B is captured and A is not
  const auto result = RouteAll(router, {Key(KEY_A, 0), Key(KEY_B, 0), kSyn});
  ASSERT_EQ(result.captured.size(), 1u);
  EXPECT_EQ(result.captured[0], (KeyEventBytes{0x04, 0x00, 0x07, 0x00}));  // A's release, as captured
  EXPECT_EQ(result.passThrough, (std::vector<InputEvent>{Key(KEY_B, 0), kSyn}));
}

TEST(KeyEventRouter, ReleaseOfAKeyHeldBeforeTheGrabGoesToTheSystem) {
  KeyEventRouter router;
  router.SetCaptureSet(Captures({{0x04, 0x00, 0x07, 0x02}}));
  const auto result = RouteAll(router, {Key(KEY_A, 0), kSyn});
  EXPECT_TRUE(result.captured.empty());
  EXPECT_EQ(result.passThrough, (std::vector<InputEvent>{Key(KEY_A, 0), kSyn}));
}

TEST(KeyEventRouter, ForgetReleasesEverythingOnBothSides) {
  KeyEventRouter router;
  router.SetCaptureSet(Captures({{0x04, 0x00, 0x07, 0x02}}));
  RouteAll(router, {Key(KEY_A, 1), Key(KEY_LEFTSHIFT, 1), kSyn});
  const auto released = router.Forget();
  ASSERT_EQ(released.captured.size(), 1u);
  EXPECT_EQ(released.captured[0], (KeyEventBytes{0x04, 0x00, 0x07, 0x00}));
  EXPECT_EQ(released.passThrough, (std::vector<InputEvent>{Key(KEY_LEFTSHIFT, 0), kSyn}));
  const auto again = router.Forget();
  EXPECT_TRUE(again.captured.empty());
  EXPECT_TRUE(again.passThrough.empty());
}

TEST(KeyEventRouter, OtherEventsPassThroughUnchanged) {
  KeyEventRouter router;
  const auto result = RouteAll(router, {{EV_REL, REL_X, 3}, {EV_LED, LED_CAPSL, 1}, kSyn});
  EXPECT_EQ(result.passThrough,
            (std::vector<InputEvent>{{EV_REL, REL_X, 3}, {EV_LED, LED_CAPSL, 1}, kSyn}));
}

}  // namespace
}  // namespace platform::linux_backend
