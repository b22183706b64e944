#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "hostdrv/vhidev.h"
#include "platform/sim/sim_virtual_hid.h"
#include "playback/play_mode.h"
#include "playback/step_runner.h"
#include "support/clock.h"
#include "support/logger.h"
#include "threads/worker_control.h"

namespace playback {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

constexpr model::KeyCode kKeyA = 0x00070004;
constexpr model::KeyCode kKeyB = 0x00070005;

// A keyboard output report with bitmap byte `index` (0-31) set to `bits` (none when index < 0).
Bytes KeyboardReport(int index = -1, std::uint8_t bits = 0) {
  Bytes bytes(64, 0);
  bytes[0] = 0x05;
  bytes[1] = 0x01;
  if (index >= 0) bytes[3 + index] = bits;
  return bytes;
}

// A playback thread whose waits move a manual clock: each wait lasts what was asked plus
// `lateness`, and a stop can be raised at a chosen wait, which then ends at once.
class FakePlaybackThread final : public threads::IEasyThread {
 public:
  explicit FakePlaybackThread(support::ManualClock& clock) : clock_(clock) {}

  bool IsStopRequested() const override { return stopped_; }

  std::uint32_t Sleep(std::uint32_t ms) override {
    sleeps.push_back(ms);
    if (stopAtSleep != 0 && sleeps.size() >= stopAtSleep) {
      stopped_ = true;
      return threads::kSleepStopRequested;
    }
    clock_.Advance(milliseconds(ms) + lateness);
    if (sleeps.size() == stallAtSleep) clock_.Advance(stall);
    return threads::kSleepTimedOut;
  }

  std::vector<std::uint32_t> sleeps;
  milliseconds lateness{0};
  std::size_t stopAtSleep = 0;  // 1-based; 0 never
  std::size_t stallAtSleep = 0;
  milliseconds stall{0};

 private:
  support::ManualClock& clock_;
  bool stopped_ = false;
};

std::vector<model::MacroStep> TapSteps(model::KeyCode key, int delay, int taps) {
  std::vector<model::MacroStep> steps;
  for (int i = 0; i < taps; ++i) {
    steps.push_back({key, 1, delay, L""});
    steps.push_back({key, 0, delay, L""});
  }
  return steps;
}

class StepRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device_.OpenVirtualDevice()); }

  support::ScopedLogCapture log_;
  sim::SimVirtualHid hid_;
  hostdrv::VHidev device_{hid_};
  support::ManualClock clock_;
  FakePlaybackThread thread_{clock_};
  StepRunner runner_{device_, clock_};
};

TEST(PlayModeTest, PassesByPlayValue) {
  EXPECT_EQ(PassesFor(2, 3), (PassCount{false, 3}));
  EXPECT_EQ(PassesFor(2, 0), (PassCount{false, 0}));
  EXPECT_TRUE(PassesFor(2, 0).IsNone());
  EXPECT_TRUE(PassesFor(2, -1).endless);
  EXPECT_TRUE(PassesFor(2, -7).endless);
  for (int play : {3, 4, 5, 6}) EXPECT_TRUE(PassesFor(play, 0).endless) << play;
  // play 8 is one pass per press whatever the repeat count says.
  EXPECT_EQ(PassesFor(8, 5), (PassCount{false, 1}));
  EXPECT_EQ(PassesFor(8, -1), (PassCount{false, 1}));
  EXPECT_EQ(PassesFor(8, 0), (PassCount{false, 1}));
  for (int play : {0, 1, 7, 9, -2}) EXPECT_TRUE(PassesFor(play, 3).IsNone()) << play;
}

TEST(PlayModeTest, WhichValuesStartAPlayback) {
  std::vector<int> starting;
  for (int play = -1; play <= 10; ++play) {
    if (StartsPlayback(play)) starting.push_back(play);
  }
  EXPECT_EQ(starting, (std::vector<int>{2, 3, 4, 5, 6, 8}));
}

TEST_F(StepRunnerTest, ZeroDelayWaitsOneMillisecond) {
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 0, 2), PassCount{false, 1}, thread_), 4u);
  EXPECT_EQ(thread_.sleeps, (std::vector<std::uint32_t>{1, 1, 1, 1}));
  EXPECT_EQ(StepRunner::DelayAfter({kKeyA, 1, 0, L""}), milliseconds(1));
  EXPECT_EQ(StepRunner::DelayAfter({kKeyA, 1, 25, L""}), milliseconds(25));
}

TEST_F(StepRunnerTest, LateWakeUpsDoNotAddUpOverALongMacro) {
  thread_.lateness = milliseconds(1);
  const auto start = clock_.Now();
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 10, 50), PassCount{false, 1}, thread_), 100u);
  // Every wait after the first is shortened by the previous wake-up's lateness.
  ASSERT_EQ(thread_.sleeps.size(), 100u);
  EXPECT_EQ(thread_.sleeps.front(), 10u);
  for (std::size_t i = 1; i < thread_.sleeps.size(); ++i) ASSERT_EQ(thread_.sleeps[i], 9u) << i;
  // 100 steps of 10 ms end 1000 ms after the start plus one wake-up's lateness, not 100 of them.
  EXPECT_EQ(clock_.Now() - start, milliseconds(1001));
}

TEST_F(StepRunnerTest, PassesFollowEachOtherWithoutExtraWait) {
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 7, 1), PassCount{false, 3}, thread_), 6u);
  EXPECT_EQ(thread_.sleeps, (std::vector<std::uint32_t>(6, 7)));
}

TEST_F(StepRunnerTest, AfterALongStallTheScheduleRestartsInsteadOfBursting) {
  thread_.stallAtSleep = 2;
  thread_.stall = milliseconds(500);
  runner_.Play(TapSteps(kKeyA, 10, 3), PassCount{false, 1}, thread_);
  // The steps after the stall keep their full delays.
  EXPECT_EQ(thread_.sleeps, (std::vector<std::uint32_t>(6, 10)));
}

TEST_F(StepRunnerTest, ASmallDelayCatchesUpWithoutWaiting) {
  thread_.stallAtSleep = 1;
  thread_.stall = milliseconds(15);
  runner_.Play(TapSteps(kKeyA, 10, 2), PassCount{false, 1}, thread_);
  // 15 ms behind after the first wait: the second step is overdue and goes out at once, the
  // third waits what is left of its slot.
  EXPECT_EQ(thread_.sleeps, (std::vector<std::uint32_t>{10, 5, 10}));
}

TEST_F(StepRunnerTest, AStopDuringAWaitEndsThePlayback) {
  thread_.stopAtSleep = 2;
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 10, 5), PassCount{true, 0}, thread_), 2u);
  EXPECT_EQ(hid_.Reports().size(), 2u);
}

TEST_F(StepRunnerTest, StepsPlayTheLowByteOnTheKeyboardBitmap) {
  const std::vector<model::MacroStep> steps = {{0x000C00E9, 1, 1, L""}, {0x000C00E9, 0, 1, L""}};
  runner_.Play(steps, PassCount{false, 1}, thread_);
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{KeyboardReport(0xE9 >> 3, 0x02), KeyboardReport()}));
}

TEST_F(StepRunnerTest, NoPassesSendNothing) {
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 10, 1), PassCount{false, 0}, thread_), 0u);
  EXPECT_TRUE(hid_.Reports().empty());
  EXPECT_TRUE(thread_.sleeps.empty());
}

TEST_F(StepRunnerTest, EndlessWithoutStepsWaitsUntilStopped) {
  thread_.stopAtSleep = 3;
  EXPECT_EQ(runner_.Play({}, PassCount{true, 0}, thread_), 0u);
  EXPECT_EQ(thread_.sleeps, (std::vector<std::uint32_t>(3, StepRunner::kEmptyPassWaitMs)));
  EXPECT_TRUE(hid_.Reports().empty());
}

TEST_F(StepRunnerTest, ReleasePressedSendsOneReportPerPressStep) {
  const std::vector<model::MacroStep> steps = {
      {kKeyA, 1, 1, L""}, {kKeyB, 1, 1, L""}, {kKeyA, 0, 1, L""}, {kKeyA, 1, 1, L""}};
  thread_.stopAtSleep = 2;  // stopped with A and B down
  runner_.Play(steps, PassCount{true, 0}, thread_);
  ASSERT_EQ(hid_.KeysDown(), (std::vector<std::uint32_t>{kKeyA, kKeyB}));
  hid_.ClearReports();

  runner_.ReleasePressed(steps);
  // A, B, A again: three reports, the first already lets A go.
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{KeyboardReport(0, 0x20), KeyboardReport(), KeyboardReport()}));
  EXPECT_TRUE(hid_.KeysDown().empty());
}

}  // namespace
}  // namespace playback
