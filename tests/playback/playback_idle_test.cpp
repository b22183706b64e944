// The playback thread idles without waking up once a playback has ended, and still ends at once
// when it is stopped: by a new press, by a stop rule's Stop, or by shutdown.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/records/record_store.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_virtual_hid.h"
#include "playback/macro_player.h"
#include "support/logger.h"
#include "threads/worker_control.h"
#include "tests/common/wait_for.h"

namespace playback {
namespace {

constexpr model::KeyCode kF1 = 0x0007003A;
constexpr model::KeyCode kF2 = 0x0007003B;
constexpr model::KeyCode kKeyA = 0x00070004;
constexpr model::KeyCode kKeyB = 0x00070005;

// Records the sleeps it is asked for and returns at once, as if stopped.
class RecordingThread final : public threads::IEasyThread {
 public:
  std::uint32_t Sleep(std::uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    return threads::kSleepStopRequested;
  }
  std::uint32_t SleepUntil(const support::Clock&, support::Clock::TimePoint) override {
    ++deadlineSleeps;
    return threads::kSleepStopRequested;
  }
  std::unique_ptr<platform::FineTimerHold> HoldFineTimers() override { return nullptr; }
  bool IsStopRequested() const override { return true; }

  std::vector<std::uint32_t> sleeps;
  int deadlineSleeps = 0;
};

using testsupport::WaitFor;

model::KeyRecord Record(model::KeyCode code, int play, int repeat, model::KeyCode key) {
  model::KeyRecord record;
  record.code = code;
  record.play = play;
  record.repeat = repeat;
  record.steps = {{key, 1, 2, L""}, {key, 0, 2, L""}};
  return record;
}

class PlaybackIdleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device_.OpenVirtualDevice());
    store_.UpsertRecord(Record(kF1, 2, 1, kKeyA));
    store_.UpsertRecord(Record(kF2, 2, 1, kKeyB));
    channel_.AddListener(&player_, &MacroPlayer::OnKeyEvent);
    ASSERT_TRUE(channel_.Open());
    const std::vector<model::KeyCode> keys = {kF1, kF2};
    ASSERT_EQ(channel_.SetCaptureTable(keys), 1);
    ASSERT_NE(channel_.StartMonitoring(), 0);
  }

  void TearDown() override {
    channel_.RemoveListener(&player_, &MacroPlayer::OnKeyEvent);
    player_.Shutdown();
    EXPECT_TRUE(hid_.KeysDown().empty());
  }

  void Tap(model::KeyCode key) {
    ASSERT_TRUE(WaitFor([&] { return driver_.PendingReads() == 1; }));
    driver_.PressKey(key);
    ASSERT_TRUE(WaitFor([&] { return driver_.PendingReads() == 1; }));
    driver_.ReleaseKey(key);
  }

  // A play-2 playback of one pass sends the press, the release, then the release of its press step.
  bool PlayedThrough(std::size_t reports) {
    return WaitFor([&] { return hid_.Reports().size() == reports && player_.CurrentRecord().code == 0; });
  }

  support::ScopedLogCapture log_;  // the store has no file: its saves only log
  sim::SimKeyFilterDriver driver_;
  sim::SimVirtualHid hid_;
  hostdrv::VHidev device_{hid_};
  model::RecordStore store_;
  MacroPlayer player_{store_, device_};
  HidUsbFilter::KeyFilterChannel channel_{driver_};
};

TEST_F(PlaybackIdleTest, WithNothingToPlayRunPlaybackWaitsForTheStopWithoutATimeLimit) {
  RecordingThread thread;
  EXPECT_EQ(player_.RunPlayback(thread, nullptr), 0);
  EXPECT_EQ(thread.sleeps, (std::vector<std::uint32_t>{threads::kSleepInfinite}));
  EXPECT_EQ(thread.deadlineSleeps, 0);
  EXPECT_TRUE(hid_.Reports().empty());
}

TEST_F(PlaybackIdleTest, ANewPressAfterAFinishedPlaybackStillStartsItsOwn) {
  Tap(kF1);
  ASSERT_TRUE(PlayedThrough(3));
  EXPECT_TRUE(player_.IsPlaybackThreadRunning());  // idle, waiting for the next stop

  Tap(kF2);
  ASSERT_TRUE(PlayedThrough(6));
  EXPECT_TRUE(hid_.KeysDown().empty());
  // The second playback sent B, not A again.
  const auto reports = hid_.Reports();
  EXPECT_EQ(reports[3][3], 0x20);  // usage 5: byte 0 of the bitmap, bit 5

  Tap(kF1);  // and the same key again
  EXPECT_TRUE(PlayedThrough(9));
}

TEST_F(PlaybackIdleTest, ShutdownEndsAnIdlePlaybackThread) {
  Tap(kF1);
  ASSERT_TRUE(PlayedThrough(3));
  ASSERT_TRUE(player_.IsPlaybackThreadRunning());
  player_.Shutdown();  // returns only once the thread has ended
  EXPECT_FALSE(player_.IsPlaybackThreadRunning());
  EXPECT_EQ(hid_.Reports().size(), 3u);  // nothing more to release
}

}  // namespace
}  // namespace playback
