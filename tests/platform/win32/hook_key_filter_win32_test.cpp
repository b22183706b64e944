// The key filter without its driver, under Wine on a display: the key filter channel over the
// keyboard hook, keys typed as a keyboard types them at this test's own window. A captured key
// reaches the channel's listener and not the window, every other key the window; recording
// captures every key; keys and characters typed by programs, this one or others, are never
// captured; a key held when capture starts, a hook the system drops, a hook that is removed and a
// hook thread that fails leave no key down. Prints the hook procedure's time.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "hostdrv/filter_requests.h"
#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "platform/win32/hook_key_filter.h"
#include "platform/win32/keyboard_hook.h"
#include "platform/win32/send_input_device.h"
#include "test_window.h"

namespace {

using win32_test::KeyMessage;
using win32_test::SendCharacter;
using win32_test::SendKey;
using win32_test::TapKey;
using win32_test::TestWindow;
using win32_test::TypeKey;

struct Event {
  std::uint32_t page;
  std::uint32_t usage;
  std::uint32_t down;
  friend bool operator==(const Event&, const Event&) = default;
};

void PrintTo(const Event& event, std::ostream* out) {
  *out << "{" << std::hex << event.page << ":" << event.usage << (event.down ? " down}" : " up}");
}

class Listener {
 public:
  std::int32_t OnKey(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
    std::scoped_lock lock(mutex_);
    events_.push_back(Event{page, usage, down});
    return 1;
  }
  std::vector<Event> Events() const {
    std::scoped_lock lock(mutex_);
    return events_;
  }
  std::size_t Count() const { return Events().size(); }
  void Clear() {
    std::scoped_lock lock(mutex_);
    events_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Event> events_;
};

KeyMessage Down(UINT virtualKey, UINT scan, bool extended = false) { return {WM_KEYDOWN, virtualKey, scan, extended}; }
KeyMessage Up(UINT virtualKey, UINT scan, bool extended = false) { return {WM_KEYUP, virtualKey, scan, extended}; }

constexpr HidUsbFilter::KeyCode kA = 0x00070004;
constexpr HidUsbFilter::KeyCode kLeftShift = 0x000700E1;

class HookKeyFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!window_.Focused()) GTEST_SKIP() << "no desktop to focus a window on (under Wine: set DISPLAY to an X server)";
    channel_.AddListener(&listener_, &Listener::OnKey);
    ASSERT_TRUE(channel_.Open());
    ASSERT_NE(channel_.StartMonitoring(), 0);
  }

  void Capture(std::initializer_list<HidUsbFilter::KeyCode> codes) {
    const std::vector<HidUsbFilter::KeyCode> keys(codes);
    ASSERT_EQ(channel_.SetCaptureTable(keys), 1);
  }

  // Pumps the window until it has `keys` messages and the listener `events` events.
  bool Await(std::size_t keys, std::size_t events) {
    return window_.PumpUntil([&] { return window_.Keys().size() >= keys && listener_.Count() >= events; });
  }

  TestWindow& window_ = TestWindow::Shared();
  std::atomic<int> keysLost_{0};
  platform::win32::SendInputVirtualHid injected_;
  platform::win32::HookKeyFilter filter_{[this] {
    ++keysLost_;
    injected_.ReleaseAll();
  }};
  HidUsbFilter::KeyFilterChannel channel_{filter_};
  Listener listener_;
};

TEST_F(HookKeyFilterTest, ACapturedKeyReachesTheListenerAndNotTheWindowOtherKeysTheWindow) {
  Capture({kA, 0x00070050});  // A and Left Arrow
  EXPECT_EQ(filter_.Path(), platform::InputPath::kKeyboardHook);
  ASSERT_TRUE(TapKey('A', 0x1E));
  ASSERT_TRUE(TapKey('B', 0x30));
  ASSERT_TRUE(TapKey(VK_LEFT, 0x4B, true));
  ASSERT_TRUE(TapKey(VK_UP, 0x48, true));
  ASSERT_TRUE(Await(4, 4));
  window_.Pump(std::chrono::milliseconds(100));  // nothing more arrives

  EXPECT_EQ(listener_.Events(),
            (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}, {0x07, 0x50, 1}, {0x07, 0x50, 0}}));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down('B', 0x30), Up('B', 0x30), Down(VK_UP, 0x48, true),
                                                      Up(VK_UP, 0x48, true)}));
}

TEST_F(HookKeyFilterTest, RecordingCapturesEveryKeyUntilMonitoringStartsAgain) {
  Capture({});
  const std::uint32_t mode = 0;
  ASSERT_EQ(channel_.Request(HidUsbFilter::kRequestSetMode, &mode, sizeof mode, nullptr, 0), 1);
  ASSERT_TRUE(TapKey('Q', 0x10));
  ASSERT_TRUE(TapKey(VK_ESCAPE, 0x01));
  ASSERT_TRUE(TapKey(VK_RCONTROL, 0x1D, true));
  ASSERT_TRUE(TapKey(VK_VOLUME_UP, 0x30, true));
  ASSERT_TRUE(Await(0, 8));
  window_.Pump(std::chrono::milliseconds(100));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x14, 1},
                                                    {0x07, 0x14, 0},
                                                    {0x07, 0x29, 1},
                                                    {0x07, 0x29, 0},
                                                    {0x07, 0xE4, 1},
                                                    {0x07, 0xE4, 0},
                                                    {0x0C, 0xE9, 1},
                                                    {0x0C, 0xE9, 0}}));
  EXPECT_TRUE(window_.Keys().empty());

  // A new monitoring run ends recording: keys reach the window again.
  ASSERT_NE(channel_.StartMonitoring(), 0);
  ASSERT_TRUE(TapKey('Q', 0x10));
  ASSERT_TRUE(Await(2, 8));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down('Q', 0x10), Up('Q', 0x10)}));
  EXPECT_EQ(listener_.Count(), 8u);
}

TEST_F(HookKeyFilterTest, TheProgramsOwnTypedKeysAreNeverCaptured) {
  const std::uint32_t mode = 0;
  ASSERT_EQ(channel_.Request(HidUsbFilter::kRequestSetMode, &mode, sizeof mode, nullptr, 0), 1);
  platform::win32::SendInputVirtualHid injected;
  hostdrv::VHidev device(injected);
  ASSERT_TRUE(device.OpenVirtualDevice());
  EXPECT_EQ(device.SetKey(0x07, 0x04, true), 1);
  EXPECT_EQ(device.SetKey(0x07, 0x04, false), 1);
  EXPECT_EQ(device.SetKey(0x07, 0x52, true), 1);
  EXPECT_EQ(device.SetKey(0x07, 0x52, false), 1);
  ASSERT_TRUE(Await(4, 0));
  window_.Pump(std::chrono::milliseconds(100));
  EXPECT_EQ(window_.Keys(),
            (std::vector<KeyMessage>{Down('A', 0x1E), Up('A', 0x1E), Down(VK_UP, 0x48, true), Up(VK_UP, 0x48, true)}));
  EXPECT_TRUE(listener_.Events().empty());
}

TEST_F(HookKeyFilterTest, KeysAndCharactersTypedByOtherProgramsPass) {
  Capture({0x00070007, 0x0007002C});  // D and Space
  // A password manager typing "d " by key and by character; VK_PACKET carries a space (0x20) in
  // its scan code, which is D's.
  ASSERT_TRUE(SendKey('D', 0x20, true));
  ASSERT_TRUE(SendKey('D', 0x20, false));
  ASSERT_TRUE(SendCharacter(L' ', true));
  ASSERT_TRUE(SendCharacter(L' ', false));
  ASSERT_TRUE(Await(4, 0));
  // The keyboard's D, typed after them, is captured: its events are the listener's first.
  ASSERT_TRUE(TapKey('D', 0x20));
  ASSERT_TRUE(Await(4, 2));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x07, 1}, {0x07, 0x07, 0}}));
  const std::vector<KeyMessage>& keys = window_.Keys();
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0], Down('D', 0x20));
  EXPECT_EQ(keys[1], Up('D', 0x20));
  EXPECT_EQ(keys[2].virtualKey, static_cast<UINT>(VK_PACKET));
  EXPECT_EQ(keys[3].virtualKey, static_cast<UINT>(VK_PACKET));
}

TEST_F(HookKeyFilterTest, KeysHeldWhenCaptureStartsAreMarkedAsTheKeysTheyAre) {
  const struct {
    const char* name;
    KeyMessage held;              // as the window gets it
    HidUsbFilter::KeyCode usage;  // the assigned key
  } cases[] = {
      {"keypad Enter", Down(VK_RETURN, 0x1C, true), 0x00070058},
      {"keypad 1 with Num Lock off", Down(VK_END, 0x4F), 0x00070059},
      {"Pause", Down(VK_PAUSE, 0x45), 0x00070048},
  };
  for (const auto& c : cases) {
    window_.Reset();
    listener_.Clear();
    Capture({});
    const auto type = [&](bool down) { return TypeKey(c.held.virtualKey, c.held.scanCode, c.held.extended, down); };
    ASSERT_TRUE(type(true)) << c.name;
    ASSERT_TRUE(Await(1, 0)) << c.name;
    Capture({c.usage});
    // Its repeat and release reach the window, which saw its press.
    ASSERT_TRUE(type(true)) << c.name;
    ASSERT_TRUE(type(false)) << c.name;
    ASSERT_TRUE(Await(3, 0)) << c.name;
    KeyMessage up = c.held;
    up.message = WM_KEYUP;
    EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{c.held, c.held, up})) << c.name;
    // Its next press is captured, and is the listener's first event.
    ASSERT_TRUE(type(true) && type(false)) << c.name;
    ASSERT_TRUE(Await(3, 2)) << c.name;
    EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, c.usage & 0xFF, 1}, {0x07, c.usage & 0xFF, 0}})) << c.name;
  }
}

TEST_F(HookKeyFilterTest, AKeyPressedAfterAPauseIsCaptured) {
  Capture({kA});
  // The pause is the case itself: Wine passes keys by the hook of a thread that has not asked
  // for a message for 5 s.
  window_.Pump(std::chrono::seconds(6));
  ASSERT_TRUE(TapKey('A', 0x1E));
  ASSERT_TRUE(TapKey('B', 0x30));
  ASSERT_TRUE(Await(2, 2));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}}));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down('B', 0x30), Up('B', 0x30)}));
  EXPECT_EQ(filter_.Hook()->Statistics().reinstalls, 0u);
}

TEST_F(HookKeyFilterTest, AHookThreadThatFailsIsStartedAgainWithWhatItCaptured) {
  Capture({kA});
  platform::win32::KeyboardHook* hook = filter_.Hook();
  ASSERT_NE(hook, nullptr);
  ASSERT_TRUE(TypeKey('A', 0x1E, false, true));
  ASSERT_TRUE(Await(0, 1));
  hook->FailThreadForTest();
  ASSERT_TRUE(window_.PumpUntil([&] { return hook->Statistics().restarts == 1 && hook->Installed(); }));
  // The captured A was reported up as the thread ended; the new one captures A again.
  ASSERT_TRUE(Await(0, 2));
  EXPECT_EQ(hook->Settle(), platform::win32::KeyboardHook::SettleOutcome::kApplied);
  ASSERT_TRUE(TypeKey('A', 0x1E, false, false));
  ASSERT_TRUE(TapKey('A', 0x1E));
  ASSERT_TRUE(Await(0, 4));
  EXPECT_EQ(listener_.Events(),
            (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}, {0x07, 0x04, 1}, {0x07, 0x04, 0}}));
  EXPECT_GE(keysLost_.load(), 1);
}

TEST(KeyboardHookTest, ASettleAskedWhileTheThreadEndsReturnsAtOnce) {
  using Outcome = platform::win32::KeyboardHook::SettleOutcome;
  platform::win32::KeyboardHook* self = nullptr;
  std::vector<Outcome> outcomes;
  // The thread releases what it holds as it ends; a Settle asked then must not wait for it.
  auto hook = std::make_unique<platform::win32::KeyboardHook>(platform::win32::KeyboardHook::Callbacks{
      {}, [&] { outcomes.push_back(self->Settle()); }});
  self = hook.get();
  hook->SetCapture(platform::portable::CaptureSet::Everything());
  ASSERT_EQ(hook->Settle(), Outcome::kApplied);
  ASSERT_TRUE(hook->Installed());
  hook.reset();
  EXPECT_EQ(outcomes, std::vector<Outcome>{Outcome::kThreadEnded});
}

TEST_F(HookKeyFilterTest, TheHookProcedureTakesMicrosecondsPerEvent) {
  Capture({kA, kLeftShift});
  constexpr int kRounds = 100;
  for (int round = 0; round < kRounds; ++round) {
    ASSERT_TRUE(TapKey('A', 0x1E));  // captured
    ASSERT_TRUE(TapKey('B', 0x30));  // passed
  }
  ASSERT_TRUE(Await(2 * kRounds, 2 * kRounds));
  const platform::win32::KeyboardHook::Figures figures = filter_.Hook()->Statistics();
  ASSERT_GE(figures.events, 4u * kRounds);
  std::printf("keyboard hook procedure: %llu events, %.2f us per event on average, %.2f us at most\n",
              static_cast<unsigned long long>(figures.events),
              static_cast<double>(figures.totalNanoseconds) / static_cast<double>(figures.events) / 1000.0,
              static_cast<double>(figures.maxNanoseconds) / 1000.0);
  EXPECT_EQ(listener_.Count(), 2u * kRounds);
}

TEST_F(HookKeyFilterTest, AKeyHeldWhenCaptureStartsIsNotCapturedUntilReleased) {
  ASSERT_TRUE(TypeKey('A', 0x1E, false, true));
  ASSERT_TRUE(Await(1, 0));
  Capture({kA});
  ASSERT_TRUE(TypeKey('A', 0x1E, false, true));  // its auto-repeat
  ASSERT_TRUE(TypeKey('A', 0x1E, false, false));
  ASSERT_TRUE(Await(3, 0));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down('A', 0x1E), Down('A', 0x1E), Up('A', 0x1E)}));
  EXPECT_TRUE(listener_.Events().empty());

  ASSERT_TRUE(TapKey('A', 0x1E));  // released once: now captured
  ASSERT_TRUE(Await(3, 2));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}}));
  EXPECT_EQ(window_.Keys().size(), 3u);
}

TEST_F(HookKeyFilterTest, AHookTheSystemDropsIsInstalledAgain) {
  Capture({kA});
  platform::win32::KeyboardHook* hook = filter_.Hook();
  ASSERT_NE(hook, nullptr);
  ASSERT_TRUE(TypeKey('A', 0x1E, false, true));  // held when the hook goes
  ASSERT_TRUE(Await(0, 1));
  hook->DropHookForTest();
  // Keys now pass the dead hook; the raw input they make shows that it is gone.
  for (int tap = 0; tap < 3 && hook->Statistics().reinstalls == 0; ++tap) {
    ASSERT_TRUE(TapKey('B', 0x30));
    window_.PumpUntil([&] { return hook->Statistics().reinstalls > 0; }, std::chrono::milliseconds(500));
  }
  ASSERT_EQ(hook->Statistics().reinstalls, 1u);
  // The captured A whose release may have been missed is reported up, typed keys are released.
  ASSERT_TRUE(Await(0, 2));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}}));
  EXPECT_GE(keysLost_.load(), 1);

  listener_.Clear();
  ASSERT_TRUE(TypeKey('A', 0x1E, false, false));  // the user lets go: that key's press was not seen
  ASSERT_TRUE(TapKey('A', 0x1E));
  ASSERT_TRUE(Await(0, 2));
  window_.Pump(std::chrono::milliseconds(100));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}}));
}

TEST_F(HookKeyFilterTest, RemovingTheHookReleasesTheCapturedKeysAndTheTypedKeysStillHeld) {
  Capture({kLeftShift});
  ASSERT_TRUE(TypeKey(VK_LSHIFT, 0x2A, false, true));
  // Its remap holds B down.
  hostdrv::VHidev device(injected_);
  ASSERT_TRUE(device.OpenVirtualDevice());
  ASSERT_EQ(device.SetKey(0x07, 0x05, true), 1);
  ASSERT_TRUE(Await(1, 1));
  const int lostBefore = keysLost_.load();
  Capture({});  // nothing to capture: the hook goes
  ASSERT_TRUE(Await(2, 2));
  EXPECT_FALSE(filter_.Hook()->Installed());
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0xE1, 1}, {0x07, 0xE1, 0}}));
  EXPECT_EQ(keysLost_.load(), lostBefore + 1);
  ASSERT_TRUE(TypeKey(VK_LSHIFT, 0x2A, false, false));
  ASSERT_TRUE(Await(3, 2));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down('B', 0x30), Up('B', 0x30), Up(VK_SHIFT, 0x2A)}));
}

TEST_F(HookKeyFilterTest, LockingTheSessionReleasesWhatIsHeldAndTheNextPressIsCapturedAgain) {
  Capture({kA});
  hostdrv::VHidev device(injected_);
  ASSERT_TRUE(device.OpenVirtualDevice());
  ASSERT_TRUE(TypeKey('A', 0x1E, false, true));
  ASSERT_EQ(device.SetKey(0x07, 0x05, true), 1);
  ASSERT_TRUE(Await(1, 1));
  filter_.Hook()->LockSessionForTest();
  // The lock screen would take A's release: A is reported up, the typed B is let go.
  ASSERT_TRUE(Await(2, 2));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}}));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down('B', 0x30), Up('B', 0x30)}));
  EXPECT_TRUE(filter_.Hook()->Installed());
  // A release the hook sees after all passes on: its press is forgotten. The next press is captured.
  ASSERT_TRUE(TypeKey('A', 0x1E, false, false));
  ASSERT_TRUE(TapKey('A', 0x1E));
  ASSERT_TRUE(Await(3, 4));
  EXPECT_EQ(listener_.Count(), 4u);
  EXPECT_EQ(window_.Keys().back(), Up('A', 0x1E));
}

TEST_F(HookKeyFilterTest, ReOpeningTheChannelKeepsTheHookAndItsQueuedEvents) {
  Capture({kA});
  // A held while the channel re-opens, as on every HID arrival: the read pending on the old
  // handle ends, and neither the press nor the release typed around the re-open is lost.
  ASSERT_TRUE(TypeKey('A', 0x1E, false, true));
  ASSERT_TRUE(channel_.Open());
  ASSERT_TRUE(filter_.Hook()->Installed());
  ASSERT_TRUE(TypeKey('A', 0x1E, false, false));
  ASSERT_TRUE(Await(0, 2));
  EXPECT_EQ(listener_.Events(), (std::vector<Event>{{0x07, 0x04, 1}, {0x07, 0x04, 0}}));
  EXPECT_TRUE(window_.Keys().empty());
}

}  // namespace
