// The keyboard hook's capture decision: which keys are kept from the system and reported, with
// the exact key-event bytes, and how a key keeps the route of its press.
#include "platform/win32/hook_key_router.h"

#include <gtest/gtest.h>

#include <vector>

#include "hostdrv/key_event.h"

namespace platform::win32 {

void PrintTo(const HookVerdict& v, std::ostream* out) {
  *out << "consume=" << v.consume << " report=" << v.report << " event=" << int(v.event[0]) << ","
       << int(v.event[1]) << "," << int(v.event[2]) << "," << int(v.event[3]);
}

namespace {

// A capture table as the key filter channel sends it.
CaptureSet Capturing(std::initializer_list<std::uint32_t> codes) {
  const std::vector<HidUsbFilter::KeyCode> keys(codes);
  const HidUsbFilter::CaptureTable table = HidUsbFilter::BuildCaptureTable(keys);
  return CaptureSet::FromTable(table).value();
}

HookedKey Down(std::uint8_t virtualKey, std::uint32_t scan, bool extended = false) {
  return HookedKey{virtualKey, scan, extended, false, false};
}
HookedKey Up(std::uint8_t virtualKey, std::uint32_t scan, bool extended = false) {
  return HookedKey{virtualKey, scan, extended, true, false};
}
HookedKey Typed(HookedKey key) {
  key.injected = true;
  return key;
}

constexpr std::uint8_t kReturnKey = 0x0D;
constexpr std::uint8_t kPauseKey = 0x13;

const HookVerdict kPass{};
HookVerdict Captured(std::initializer_list<std::uint8_t> bytes) {
  HookVerdict verdict{true, true, {}};
  std::copy(bytes.begin(), bytes.end(), verdict.event.begin());
  return verdict;
}
const HookVerdict kKept{true, false, {}};

TEST(CaptureSet, EverythingCanBeAddedToAndTakenFromATable) {
  const CaptureSet table = Capturing({0x00070004, 0x000C0223});
  EXPECT_TRUE(table.Captures(0x0C, 0x223));  // the table keeps the usage's low byte
  EXPECT_FALSE(table.CapturesEverything());
  const CaptureSet all = table.WithEverything(true);
  EXPECT_TRUE(all.Captures(0x07, 0x29));
  EXPECT_TRUE(all.CapturesEverything());
  const CaptureSet back = all.WithEverything(false);
  EXPECT_TRUE(back.Captures(0x07, 0x04));
  EXPECT_FALSE(back.Captures(0x07, 0x29));
  EXPECT_TRUE(CaptureSet().WithEverything(true).WithEverything(false).Empty());
}

TEST(HookKeyRouter, CapturedKeysAreKeptAndReportedOthersPass) {
  HookKeyRouter router;
  const CaptureSet capture = Capturing({0x00070004, 0x000C00E9});
  EXPECT_EQ(router.Route(Down('A', 0x1E), capture), Captured({0x04, 0x00, 0x07, 0x01}));
  EXPECT_EQ(router.Route(Up('A', 0x1E), capture), Captured({0x04, 0x00, 0x07, 0x00}));
  EXPECT_EQ(router.Route(Down('B', 0x30), capture), kPass);
  EXPECT_EQ(router.Route(Up('B', 0x30), capture), kPass);
  // A media key is reported as its consumer usage.
  EXPECT_EQ(router.Route(Down(0xAF, 0x30, true), capture), Captured({0xE9, 0x00, 0x0C, 0x01}));
  EXPECT_EQ(router.Route(Up(0xAF, 0x30, true), capture), Captured({0xE9, 0x00, 0x0C, 0x00}));
  // Consumer usages above 0xFF keep their high byte in the event.
  const CaptureSet home = Capturing({0x000C0223});
  EXPECT_EQ(router.Route(Down(0xAC, 0x32, true), home), Captured({0x23, 0x02, 0x0C, 0x01}));
}

TEST(HookKeyRouter, RepeatsOfACapturedKeyAreKeptButNotReported) {
  HookKeyRouter router;
  const CaptureSet capture = Capturing({0x00070004});
  EXPECT_TRUE(router.Route(Down('A', 0x1E), capture).report);
  EXPECT_EQ(router.Route(Down('A', 0x1E), capture), kKept);
  EXPECT_EQ(router.Route(Down('A', 0x1E), capture), kKept);
  EXPECT_EQ(router.Route(Up('A', 0x1E), capture), Captured({0x04, 0x00, 0x07, 0x00}));
}

TEST(HookKeyRouter, AKeyKeepsTheRouteOfItsPressWhenTheTableChanges) {
  HookKeyRouter router;
  const CaptureSet none;
  const CaptureSet a = Capturing({0x00070004});
  // Pressed while passed: stays passed (the system saw its press) until released.
  EXPECT_EQ(router.Route(Down('A', 0x1E), none), kPass);
  EXPECT_EQ(router.Route(Down('A', 0x1E), a), kPass);
  EXPECT_EQ(router.Route(Up('A', 0x1E), a), kPass);
  EXPECT_TRUE(router.Route(Down('A', 0x1E), a).report);  // the next press is captured
  // Pressed while captured: its release is reported even though the key is no longer listed.
  EXPECT_EQ(router.Route(Up('A', 0x1E), none), Captured({0x04, 0x00, 0x07, 0x00}));
}

TEST(HookKeyRouter, AKeyHeldWhenCaptureStartsIsNotCapturedUntilReleased) {
  HookKeyRouter router;
  const CaptureSet capture = Capturing({0x000700E1});
  router.MarkHeld(Down(0xA0, 0x2A));
  EXPECT_TRUE(router.Holds(Down(0xA0, 0x2A)));
  EXPECT_EQ(router.Route(Down(0xA0, 0x2A), capture), kPass);  // its repeat
  EXPECT_EQ(router.Route(Up(0xA0, 0x2A), capture), kPass);
  EXPECT_FALSE(router.Holds(Down(0xA0, 0x2A)));
  EXPECT_EQ(router.Route(Down(0xA0, 0x2A), capture), Captured({0xE1, 0x00, 0x07, 0x01}));
}

TEST(HookKeyRouter, KeysTypedByProgramsPassAndLeaveTheUsersCapturedPressAlone) {
  HookKeyRouter router;
  const CaptureSet capture = Capturing({0x00070004});
  EXPECT_EQ(router.Route(Typed(Down('A', 0x1E)), capture), kPass);
  EXPECT_EQ(router.Route(Typed(Up('A', 0x1E)), capture), kPass);
  EXPECT_FALSE(router.Holds(Down('A', 0x1E)));
  EXPECT_TRUE(router.Route(Down('A', 0x1E), capture).report);
  EXPECT_EQ(router.Route(Typed(Up('A', 0x1E)), capture), kPass);  // a remap typing A as well
  EXPECT_EQ(router.Route(Up('A', 0x1E), capture), Captured({0x04, 0x00, 0x07, 0x00}));
  // In the capture-everything mode too.
  EXPECT_EQ(router.Route(Typed(Down('Q', 0x10)), CaptureSet::Everything()), kPass);
}

TEST(HookKeyRouter, TheFirstCapturedUsageOfAKeyIsReported) {
  HookKeyRouter router;
  // Scan 0x2B is "\" (0x31) and "Europe 1" (0x32); only 0x32 is assigned.
  const CaptureSet europe = Capturing({0x00070032});
  EXPECT_EQ(router.Route(Down(0xDC, 0x2B), europe), Captured({0x32, 0x00, 0x07, 0x01}));
  EXPECT_EQ(router.Route(Up(0xDC, 0x2B), europe), Captured({0x32, 0x00, 0x07, 0x00}));
  // Recording every key reports the first usage.
  EXPECT_EQ(router.Route(Down(0xDC, 0x2B), CaptureSet::Everything()), Captured({0x31, 0x00, 0x07, 0x01}));
  // The keyboard page's Volume Up, when that is the assigned one.
  const CaptureSet keyboardVolume = Capturing({0x00070080});
  EXPECT_EQ(router.Route(Down(0xAF, 0x30, true), keyboardVolume), Captured({0x80, 0x00, 0x07, 0x01}));
}

TEST(HookKeyRouter, KeysOfNoUsagePassEvenWhenEverythingIsCaptured) {
  HookKeyRouter router;
  EXPECT_EQ(router.Route(Down(0xA0, 0x2A, true), CaptureSet::Everything()), kPass);  // fake shift
  EXPECT_EQ(router.Route(Down(0xE7, 0x20), CaptureSet::Everything()), kPass);       // VK_PACKET of a space
  EXPECT_EQ(router.Route(Down('A', 0x1E), CaptureSet::Everything()), Captured({0x04, 0x00, 0x07, 0x01}));
}

TEST(HookKeyRouter, AHeldVirtualKeyMarksEachKeyItMayStandForUntilOneOfThemIsReleased) {
  const CaptureSet capture = Capturing({0x00070028, 0x00070058, 0x0007004D, 0x00070059, 0x00070048, 0x000700E0});
  const struct {
    const char* name;
    std::uint8_t virtualKey;
    std::uint32_t layoutScan;  // what the layout in use gives the virtual key
    HookedKey held;            // the key really down
    HookedKey other;           // the other key of that virtual key
  } cases[] = {
      {"Enter", kReturnKey, 0x1C, Down(kReturnKey, 0x1C), Down(kReturnKey, 0x1C, true)},
      {"keypad Enter", kReturnKey, 0x1C, Down(kReturnKey, 0x1C, true), Down(kReturnKey, 0x1C)},
      {"keypad 1, Num Lock off", 0x23, 0xE04F, Down(0x23, 0x4F), Down(0x23, 0x4F, true)},
  };
  for (const auto& c : cases) {
    HookKeyRouter router;
    router.MarkHeld(c.virtualKey, FormsOfVirtualKey(c.virtualKey, c.layoutScan));
    // Its repeat and release pass: the system saw its press.
    EXPECT_EQ(router.Route(c.held, capture), kPass) << c.name;
    HookedKey release = c.held;
    release.up = true;
    EXPECT_EQ(router.Route(release, capture), kPass) << c.name;
    // The guess about the other key ends with it: its next press is captured.
    EXPECT_TRUE(router.Route(c.other, capture).report) << c.name;
  }
  // Pause (E1 1D 45, which the layout gives as E11D) is not Left Control.
  HookKeyRouter router;
  router.MarkHeld(kPauseKey, FormsOfVirtualKey(kPauseKey, 0xE11D));
  EXPECT_EQ(router.Route(Down(kPauseKey, 0x45), capture), kPass);
  EXPECT_TRUE(router.Route(Down(0xA2, 0x1D), capture).report);
}

TEST(HookKeyRouter, ForgetReleasesTheCapturedKeysStillHeldAndForgetsPassedOnes) {
  HookKeyRouter router;
  const CaptureSet capture = Capturing({0x00070004, 0x000700E0});
  router.Route(Down('A', 0x1E), capture);
  router.Route(Down(0xA2, 0x1D), capture);
  router.Route(Down('B', 0x30), capture);  // passed
  const std::vector<KeyEventBytes> released = router.Forget();
  const std::vector<KeyEventBytes> expected = {{0x04, 0x00, 0x07, 0x00}, {0xE0, 0x00, 0x07, 0x00}};
  EXPECT_EQ(released, expected);
  EXPECT_FALSE(router.Holds(Down('B', 0x30)));
  EXPECT_TRUE(router.Forget().empty());
  // After forgetting, a release of a key whose press was captured passes (its press is gone).
  EXPECT_EQ(router.Route(Up('A', 0x1E), capture), kPass);
}

}  // namespace
}  // namespace platform::win32
