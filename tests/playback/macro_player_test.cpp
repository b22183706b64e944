// End to end: a key goes down on the emulated filter driver, the key filter channel's monitor
// thread hands it to the player, and the emulated virtual device records what comes out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/records/record_store.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_virtual_hid.h"
#include "playback/macro_player.h"
#include "support/logger.h"
#include "tests/common/wait_for.h"

namespace playback {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Keys = std::vector<std::uint32_t>;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr model::KeyCode kCapsLock = 0x00070039;
constexpr model::KeyCode kF1 = 0x0007003A;
constexpr model::KeyCode kF2 = 0x0007003B;
constexpr model::KeyCode kF3 = 0x0007003C;
constexpr model::KeyCode kKeyA = 0x00070004;
constexpr model::KeyCode kKeyB = 0x00070005;
constexpr model::KeyCode kLeftShift = 0x000700E1;
constexpr model::KeyCode kLeftCtrl = 0x000700E0;
constexpr int kLong = 60000;  // a wait that only a stop can cut short within the test's limits

Bytes KeyboardReport(int index = -1, std::uint8_t bits = 0) {
  Bytes bytes(64, 0);
  bytes[0] = 0x05;
  bytes[1] = 0x01;
  if (index >= 0) bytes[3 + index] = bits;
  return bytes;
}
const Bytes kAOnly = KeyboardReport(0, 0x10);
const Bytes kNoKeys = KeyboardReport();

using testsupport::WaitFor;

model::KeyRecord Record(model::KeyCode code, int play, int repeat, std::vector<model::MacroStep> steps) {
  model::KeyRecord record;
  record.code = code;
  record.play = play;
  record.repeat = repeat;
  record.steps = std::move(steps);
  return record;
}

// Presses and releases of `key`, each followed by `delay`.
std::vector<model::MacroStep> Tap(model::KeyCode key, int delay) { return {{key, 1, delay, L""}, {key, 0, delay, L""}}; }

class MacroPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device_.OpenVirtualDevice());
    player_ = std::make_unique<MacroPlayer>(store_, device_);
    channel_ = std::make_unique<HidUsbFilter::KeyFilterChannel>(driver_);
  }

  void TearDown() override {
    channel_.reset();  // no more key events
    player_.reset();
    EXPECT_TRUE(hid_.KeysDown().empty()) << "a key was left down";
  }

  void Assign(const std::vector<model::KeyRecord>& records) {
    std::vector<model::KeyCode> codes;
    for (const model::KeyRecord& record : records) {
      store_.UpsertRecord(record);
      codes.push_back(record.code);
    }
    ASSERT_TRUE(channel_->Open());
    ASSERT_EQ(channel_->SetCaptureTable(codes), 1);
    channel_->AddListener(player_.get(), &MacroPlayer::OnKeyEvent);
    ASSERT_EQ(channel_->StartMonitoring(), 1);
    ASSERT_TRUE(ReadPending());
  }

  // The event has gone through the player once the monitor thread waits for the next one.
  bool ReadPending() {
    return driver_.WaitUntil([](const sim::SimKeyFilterDriver& d) { return d.PendingReads() == 1; });
  }
  void Press(model::KeyCode key) {
    ASSERT_TRUE(driver_.PressKey(key));
    ASSERT_TRUE(ReadPending());
  }
  void Release(model::KeyCode key) {
    ASSERT_TRUE(driver_.ReleaseKey(key));
    ASSERT_TRUE(ReadPending());
  }

  std::size_t ReportCount() const { return hid_.Reports().size(); }
  // Waits until more reports than `count` have gone out: the playback is running.
  bool PlaysOnFrom(std::size_t count) {
    return WaitFor([&] { return ReportCount() > count + 2; });
  }
  bool Idle() {
    return WaitFor([&] { return player_->CurrentRecord().code == 0; });
  }
  // True when no report goes out for a while (only used to show that nothing plays).
  bool StaysQuiet() {
    const std::size_t before = ReportCount();
    std::this_thread::sleep_for(milliseconds(40));
    return ReportCount() == before;
  }
  bool Contains(model::KeyCode key) {
    const auto reports = hid_.Reports();
    const std::size_t byte = 3 + ((key & 0xFF) >> 3);
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << (key & 7));
    return std::any_of(reports.begin(), reports.end(), [&](const Bytes& r) { return (r[byte] & bit) != 0; });
  }

  support::ScopedLogCapture log_;
  sim::SimKeyFilterDriver driver_;
  sim::SimVirtualHid hid_;
  hostdrv::VHidev device_{hid_};
  model::RecordStore store_;
  std::unique_ptr<MacroPlayer> player_;
  std::unique_ptr<HidUsbFilter::KeyFilterChannel> channel_;
};

TEST_F(MacroPlayerTest, PlayOneForwardsPressAndReleaseAsLeftShift) {
  Assign({Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L"Left Shift"}})});
  Press(kCapsLock);
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{KeyboardReport(28, 0x02)}));
  EXPECT_EQ(hid_.KeysDown(), (Keys{kLeftShift}));
  Release(kCapsLock);
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{KeyboardReport(28, 0x02), kNoKeys}));
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_FALSE(player_->IsPlaybackThreadRunning());
}

TEST_F(MacroPlayerTest, PlayOneReleasesTheKeyItPressedEvenAfterTheRecordChanged) {
  Assign({Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}})});
  Press(kCapsLock);
  store_.UpsertRecord(Record(kCapsLock, 1, 1, {{kLeftCtrl, 0, 0, L""}}));
  Release(kCapsLock);
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_FALSE(Contains(kLeftCtrl));
}

TEST_F(MacroPlayerTest, PlayTwoRepeatThreeSendsSixReportsThenOneReleasingA) {
  Assign({Record(kF1, 2, 3, Tap(kKeyA, 10))});
  const auto start = steady_clock::now();
  Press(kF1);
  Release(kF1);  // a release neither stops nor starts anything
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 7 && player_->CurrentRecord().code == 0; }));
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{kAOnly, kNoKeys, kAOnly, kNoKeys, kAOnly, kNoKeys, kNoKeys}));
  // Each step waits its 10 ms (lower bounds only: a slow machine is only later).
  const auto times = hid_.ReportTimes();
  for (std::size_t i = 0; i < times.size(); ++i) EXPECT_GE(times[i] - start, milliseconds(10 * i)) << i;
  EXPECT_TRUE(StaysQuiet());
}

TEST_F(MacroPlayerTest, RepeatZeroPlaysNothing) {
  Assign({Record(kF1, 2, 0, Tap(kKeyA, 1)), Record(kF2, 2, 1, Tap(kKeyB, 1))});
  Press(kF1);
  EXPECT_TRUE(StaysQuiet());
  EXPECT_EQ(ReportCount(), 0u);
  // The next playback shows the thread was free to play all along.
  Press(kF2);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 3; }));
  EXPECT_FALSE(Contains(kKeyA));
  EXPECT_TRUE(Contains(kKeyB));
}

TEST_F(MacroPlayerTest, PlayThreeStopsOnReleaseOfTheSameKey) {
  Assign({Record(kF1, 3, 0, Tap(kKeyA, 2)), Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}})});
  Press(kF1);
  ASSERT_TRUE(PlaysOnFrom(0));
  // Another key's release does not stop it.
  Press(kCapsLock);
  Release(kCapsLock);
  ASSERT_TRUE(PlaysOnFrom(ReportCount()));
  Release(kF1);
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_EQ(hid_.Reports().back(), kNoKeys);
  EXPECT_TRUE(StaysQuiet());
}

TEST_F(MacroPlayerTest, PlayFourStartsStopsAndStartsAgain) {
  Assign({Record(kF1, 4, 0, {{kKeyA, 1, 2, L""}, {kKeyA, 0, kLong, L""}})});
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 2; }));  // waiting its long delay
  Release(kF1);
  EXPECT_EQ(player_->CurrentRecord().code, kF1);
  Press(kF1);  // stops it, cutting the 60 s wait short
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_EQ(ReportCount(), 3u);  // A down, A up, the release of A's press step
  Release(kF1);
  Press(kF1);
  EXPECT_EQ(player_->CurrentRecord().code, kF1);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 5; }));
  EXPECT_EQ(hid_.Reports()[3], kAOnly);
}

TEST_F(MacroPlayerTest, PlayFiveIgnoresTheSameKeyAndStopsOnAnotherWithoutStartingIt) {
  Assign({Record(kF1, 5, 0, Tap(kKeyA, 2)), Record(kF2, 2, 1, Tap(kKeyB, 1))});
  Press(kF1);
  ASSERT_TRUE(PlaysOnFrom(0));
  Press(kF1);
  EXPECT_EQ(player_->CurrentRecord().code, kF1);
  ASSERT_TRUE(PlaysOnFrom(ReportCount()));
  Press(kF2);
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  EXPECT_EQ(player_->CurrentRecord().play, 0);
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_TRUE(StaysQuiet());
  EXPECT_FALSE(Contains(kKeyB));
  // Once stopped, the other key plays its own record again.
  Press(kF2);
  ASSERT_TRUE(WaitFor([&] { return Contains(kKeyB); }));
}

TEST_F(MacroPlayerTest, PlaySixStopsOnAnyAssignedKeyAndStartsNothing) {
  Assign({Record(kF1, 6, 0, Tap(kKeyA, 2)), Record(kF2, 2, 1, Tap(kKeyB, 1))});
  Press(kF1);
  ASSERT_TRUE(PlaysOnFrom(0));
  Press(kF2);
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  EXPECT_TRUE(StaysQuiet());
  EXPECT_FALSE(Contains(kKeyB));

  Press(kF1);
  ASSERT_TRUE(PlaysOnFrom(ReportCount()));
  Press(kF1);  // the same key stops it too and does not start it again
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_TRUE(StaysQuiet());
}

TEST_F(MacroPlayerTest, PlayEightPlaysOncePerPressWhateverItsRepeat) {
  Assign({Record(kF1, 8, 5, Tap(kKeyA, 1)), Record(kF2, 8, -1, Tap(kKeyB, 1))});
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 3 && player_->CurrentRecord().code == 0; }));
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{kAOnly, kNoKeys, kNoKeys}));
  hid_.ClearReports();
  Press(kF2);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 3 && player_->CurrentRecord().code == 0; }));
  EXPECT_TRUE(StaysQuiet());
  EXPECT_EQ(ReportCount(), 3u);
}

TEST_F(MacroPlayerTest, ConsumerCodeInAMacroPlaysAsKeyboardUsage) {
  Assign({Record(kF1, 2, 1, Tap(0x000C00E9, 1))});
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 3 && player_->CurrentRecord().code == 0; }));
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{KeyboardReport(29, 0x02), kNoKeys, kNoKeys}));
}

TEST_F(MacroPlayerTest, ZeroDelayWaitsOneMillisecond) {
  std::vector<model::MacroStep> steps;
  for (int i = 0; i < 10; ++i) {
    const auto tap = Tap(kKeyA, 0);
    steps.insert(steps.end(), tap.begin(), tap.end());
  }
  Assign({Record(kF1, 2, 1, steps)});
  const auto start = steady_clock::now();
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 21 && player_->CurrentRecord().code == 0; }));
  const auto times = hid_.ReportTimes();
  for (std::size_t i = 0; i < 20; ++i) EXPECT_GE(times[i] - start, milliseconds(i)) << i;
}

TEST_F(MacroPlayerTest, ANewPressReleasesTheRunningPlaybacksKeysBeforeItsOwn) {
  Assign({Record(kF1, 4, 0, {{kKeyA, 1, kLong, L""}, {kKeyA, 0, 1, L""}}), Record(kF2, 2, 1, Tap(kKeyB, 1))});
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 1; }));
  ASSERT_EQ(hid_.KeysDown(), (Keys{kKeyA}));
  Press(kF2);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 5 && player_->CurrentRecord().code == 0; }));
  EXPECT_EQ(hid_.Reports(),
            (std::vector<Bytes>{kAOnly, kNoKeys, KeyboardReport(0, 0x20), kNoKeys, kNoKeys}));
}

TEST_F(MacroPlayerTest, ShutdownReleasesPlaybackAndForwardedKeysAndIgnoresLaterEvents) {
  Assign({Record(kF1, 4, 0, {{kKeyA, 1, kLong, L""}, {kKeyA, 0, 1, L""}}),
          Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}})});
  Press(kCapsLock);
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return hid_.KeysDown() == Keys{kKeyA, kLeftShift}; }));
  player_->Shutdown();
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_FALSE(player_->IsPlaybackThreadRunning());
  const std::size_t count = ReportCount();
  Press(kF1);
  Press(kCapsLock);
  EXPECT_EQ(ReportCount(), count);
}

TEST_F(MacroPlayerTest, StopAllEndsThePlaybackAndForwardingAndLaterKeysStillWork) {
  Assign({Record(kF1, 5, 0, {{kKeyA, 1, kLong, L""}, {kKeyA, 0, 1, L""}}),
          Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}})});
  Press(kCapsLock);
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return hid_.KeysDown() == Keys{kKeyA, kLeftShift}; }));
  player_->StopAll();
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  EXPECT_TRUE(StaysQuiet());
  // The stopped playback's stop rule is gone with it: the next press starts it again at once.
  Release(kCapsLock);
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return hid_.KeysDown() == Keys{kKeyA}; }));
  EXPECT_EQ(player_->CurrentRecord().code, kF1);
  player_->StopAll();
}

TEST_F(MacroPlayerTest, StopKeyEndsOnlyThatKeysPlaybackOrForwarding) {
  Assign({Record(kF1, 3, 0, {{kKeyA, 1, kLong, L""}}), Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}}),
          Record(kF2, 1, 1, {{kLeftCtrl, 0, 0, L""}})});
  Press(kF1);
  Press(kCapsLock);
  Press(kF2);
  ASSERT_TRUE(WaitFor([&] { return hid_.KeysDown() == Keys{kKeyA, kLeftCtrl, kLeftShift}; }));
  player_->StopKey(kCapsLock);
  EXPECT_EQ(hid_.KeysDown(), (Keys{kKeyA, kLeftCtrl}));
  EXPECT_EQ(player_->CurrentRecord().code, kF1) << "another key's playback goes on";
  player_->StopKey(kF1);
  EXPECT_EQ(hid_.KeysDown(), (Keys{kLeftCtrl}));
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  Release(kF2);
  EXPECT_TRUE(hid_.KeysDown().empty());
}

// A profile switch: the macro playing stops with its keys up; a key held meanwhile keeps its old
// function until released, and its release never acts under the new records.
TEST_F(MacroPlayerTest, SwitchingRecordsStopsTheMacroAndHeldKeysKeepTheirFunctionUntilReleased) {
  Assign({Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}}), Record(kF1, 3, 0, {{kKeyA, 1, kLong, L""}})});
  Press(kCapsLock);
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return hid_.KeysDown() == Keys{kKeyA, kLeftShift}; }));
  player_->SwitchRecords([&] {
    model::RecordStore::Pending other;
    other.records = {Record(kCapsLock, 1, 1, {{kLeftCtrl, 0, 0, L""}}), Record(kF1, 1, 1, {{kKeyB, 0, 0, L""}})};
    store_.Adopt(std::move(other));
  });
  EXPECT_EQ(hid_.KeysDown(), (Keys{kLeftShift}));
  EXPECT_EQ(player_->CurrentRecord().code, 0u);
  const std::size_t before = ReportCount();
  Release(kF1);
  Release(kCapsLock);
  EXPECT_EQ(hid_.Reports().size(), before + 1) << "only Left Shift goes up";
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_FALSE(Contains(kLeftCtrl));
  Press(kCapsLock);  // a new press has the new function
  EXPECT_EQ(hid_.KeysDown(), (Keys{kLeftCtrl}));
  Release(kCapsLock);
}

TEST_F(MacroPlayerTest, DestroyingThePlayerMidPlaybackLeavesNoKeyDown) {
  Assign({Record(kF1, 3, 0, {{kKeyA, 1, kLong, L""}})});
  Press(kF1);
  ASSERT_TRUE(WaitFor([&] { return ReportCount() >= 1; }));
  channel_.reset();
  player_.reset();  // TearDown checks the keys
}

}  // namespace
}  // namespace playback
