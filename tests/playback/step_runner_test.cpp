#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "hostdrv/vhidev.h"
#include "platform/deadline_wait.h"
#include "platform/sim/sim_virtual_hid.h"
#include "playback/play_mode.h"
#include "playback/step_runner.h"
#include "support/clock.h"
#include "support/logger.h"
#include "threads/worker_control.h"

namespace playback {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::microseconds;
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

// A playback thread whose waits move a manual clock: each timed wait ends `lateness` after its
// deadline, a stall can be added after a chosen wait, and a stop can be raised at a chosen wait,
// which then ends at once. Records every timed wait as the time left when it was asked for, and
// the clock's reading at that moment (right after the step before it was sent).
class FakePlaybackThread final : public threads::IEasyThread {
 public:
  explicit FakePlaybackThread(support::ManualClock& clock) : clock_(clock) {}

  bool IsStopRequested() const override { return stopped_; }

  std::uint32_t Sleep(std::uint32_t ms) override {
    untimedSleeps.push_back(ms);
    if (stopAtSleep != 0 && untimedSleeps.size() >= stopAtSleep) stopped_ = true;
    return stopped_ ? threads::kSleepStopRequested : threads::kSleepTimedOut;
  }

  std::uint32_t SleepUntil(const support::Clock& clock, support::Clock::TimePoint deadline) override {
    EXPECT_EQ(&clock, &clock_) << "deadlines are read on the runner's clock";
    const support::Clock::TimePoint now = clock_.Now();
    waits.push_back(deadline - now);
    askedAt.push_back(now);
    waitsWithoutFineTimers += fineTimersHeld_ == 0 ? 1 : 0;
    if (stopAtWait != 0 && waits.size() >= stopAtWait) {
      stopped_ = true;
      return threads::kSleepStopRequested;
    }
    clock_.Advance(deadline - now + lateness);
    if (waits.size() == stallAtWait) clock_.Advance(stall);
    return threads::kSleepTimedOut;
  }

  std::unique_ptr<platform::FineTimerHold> HoldFineTimers() override {
    ++fineTimerHolds;
    return std::make_unique<CountedHold>(fineTimersHeld_);
  }

  int FineTimersHeld() const { return fineTimersHeld_; }

  std::vector<std::chrono::nanoseconds> waits;
  std::vector<support::Clock::TimePoint> askedAt;
  std::vector<std::uint32_t> untimedSleeps;
  std::chrono::nanoseconds lateness{0};
  std::size_t stopAtWait = 0;  // 1-based; 0 never
  std::size_t stopAtSleep = 0;
  std::size_t stallAtWait = 0;
  std::chrono::nanoseconds stall{0};
  int fineTimerHolds = 0;
  int waitsWithoutFineTimers = 0;

 private:
  class CountedHold final : public platform::FineTimerHold {
   public:
    explicit CountedHold(int& held) : held_(held) { ++held_; }
    ~CountedHold() override { --held_; }

   private:
    int& held_;
  };

  support::ManualClock& clock_;
  bool stopped_ = false;
  int fineTimersHeld_ = 0;
};

std::vector<std::chrono::nanoseconds> Repeated(std::chrono::nanoseconds wait, std::size_t count) {
  return std::vector<std::chrono::nanoseconds>(count, wait);
}

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
  EXPECT_EQ(thread_.waits, Repeated(milliseconds(1), 4));
  EXPECT_EQ(StepRunner::DelayAfter({kKeyA, 1, 0, L""}), milliseconds(1));
  EXPECT_EQ(StepRunner::DelayAfter({kKeyA, 1, 25, L""}), milliseconds(25));
}

TEST_F(StepRunnerTest, EachStepIsDueExactlyTheDelaysBeforeItAfterTheFirst) {
  const std::vector<model::MacroStep> steps = {
      {kKeyA, 1, 0, L""}, {kKeyA, 0, 3, L""}, {kKeyB, 1, 7, L""}, {kKeyB, 0, 16, L""}, {kKeyA, 1, 1, L""}};
  const auto start = clock_.Now();
  runner_.Play(steps, PassCount{false, 1}, thread_);
  // Wake-ups exactly on time: every step goes out at its due time, neither before nor after.
  const std::vector<support::Clock::TimePoint> due = {start, start + milliseconds(1), start + milliseconds(4),
                                                      start + milliseconds(11), start + milliseconds(27)};
  EXPECT_EQ(thread_.askedAt, due);
  EXPECT_EQ(clock_.Now(), start + milliseconds(28));
}

TEST_F(StepRunnerTest, TheScheduleStartsWhenTheFirstStepHasGoneOut) {
  hid_.SetLogKeys(true);  // every report is logged: let each send take 300 us of the clock
  const support::Logger::Sink previous =
      support::Logger::Instance().ReplaceSink([&](std::string_view) { clock_.Advance(microseconds(300)); });
  runner_.Play(TapSteps(kKeyA, 10, 2), PassCount{false, 1}, thread_);
  support::Logger::Instance().ReplaceSink(previous);
  // The first delay runs from the end of the first send; later sends eat into their slots.
  EXPECT_EQ(thread_.waits, (std::vector<std::chrono::nanoseconds>{milliseconds(10), microseconds(9700),
                                                                   microseconds(9700), microseconds(9700)}));
}

TEST_F(StepRunnerTest, SubMillisecondLatenessIsTakenOffTheNextWait) {
  thread_.lateness = microseconds(250);
  const auto start = clock_.Now();
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 10, 50), PassCount{false, 1}, thread_), 100u);
  // Every wait after the first is shortened by the previous wake-up's lateness, to the microsecond
  // (whole-millisecond waits would round 9.75 ms up to 10 and fall 25 ms behind over the macro).
  ASSERT_EQ(thread_.waits.size(), 100u);
  EXPECT_EQ(thread_.waits.front(), milliseconds(10));
  for (std::size_t i = 1; i < thread_.waits.size(); ++i) ASSERT_EQ(thread_.waits[i], microseconds(9750)) << i;
  // 100 steps of 10 ms end 1000 ms after the start plus one wake-up's lateness, not 100 of them.
  EXPECT_EQ(clock_.Now() - start, milliseconds(1000) + microseconds(250));
}

TEST_F(StepRunnerTest, PassesFollowEachOtherWithoutExtraWait) {
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 7, 1), PassCount{false, 3}, thread_), 6u);
  EXPECT_EQ(thread_.waits, Repeated(milliseconds(7), 6));
}

TEST_F(StepRunnerTest, AfterALongStallTheScheduleRestartsInsteadOfBursting) {
  thread_.stallAtWait = 2;
  thread_.stall = milliseconds(500);
  runner_.Play(TapSteps(kKeyA, 10, 3), PassCount{false, 1}, thread_);
  // The steps after the stall keep their full delays.
  EXPECT_EQ(thread_.waits, Repeated(milliseconds(10), 6));
}

TEST_F(StepRunnerTest, ASmallDelayCatchesUpWithoutWaiting) {
  thread_.stallAtWait = 1;
  thread_.stall = milliseconds(15);
  runner_.Play(TapSteps(kKeyA, 10, 2), PassCount{false, 1}, thread_);
  // 15 ms behind after the first wait: the second step is overdue and goes out at once, the
  // third waits what is left of its slot.
  EXPECT_EQ(thread_.waits, (std::vector<std::chrono::nanoseconds>{milliseconds(10), milliseconds(5), milliseconds(10)}));
}

TEST_F(StepRunnerTest, TheCatchUpLimitDecidesBetweenABurstAndARestart) {
  // 60 ms of stall after the first 10 ms wait leaves the second step exactly kMaxCatchUp (50 ms)
  // behind: the overdue steps go out at once and the macro ends on its original schedule.
  const auto playWithStall = [&](std::chrono::nanoseconds stall) {
    support::ManualClock clock;
    FakePlaybackThread thread(clock);
    StepRunner runner(device_, clock);
    thread.stallAtWait = 1;
    thread.stall = stall;
    const auto start = clock.Now();
    EXPECT_EQ(runner.Play(TapSteps(kKeyA, 10, 6), PassCount{false, 1}, thread), 12u);
    return clock.Now() - start;
  };
  ASSERT_EQ(StepRunner::kMaxCatchUp, milliseconds(50));
  EXPECT_EQ(playWithStall(milliseconds(60)), milliseconds(120));
  // A microsecond more and the schedule restarts from the late step: every step keeps its delay.
  EXPECT_EQ(playWithStall(milliseconds(60) + microseconds(1)), milliseconds(180) + microseconds(1));
}

TEST_F(StepRunnerTest, AStopDuringAWaitEndsThePlayback) {
  thread_.stopAtWait = 2;
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 10, 5), PassCount{true, 0}, thread_), 2u);
  EXPECT_EQ(hid_.Reports().size(), 2u);
  EXPECT_EQ(thread_.waits.size(), 2u);
}

TEST_F(StepRunnerTest, FineTimersAreHeldWhileTheStepsPlayAndOnlyThen) {
  runner_.Play(TapSteps(kKeyA, 5, 3), PassCount{false, 2}, thread_);
  EXPECT_EQ(thread_.fineTimerHolds, 1);  // one hold for the whole playback, not one per wait
  EXPECT_EQ(thread_.waits.size(), 12u);
  EXPECT_EQ(thread_.waitsWithoutFineTimers, 0);
  EXPECT_EQ(thread_.FineTimersHeld(), 0);  // let go when the playback ends

  thread_.stopAtWait = 14;  // a stop also lets go
  runner_.Play(TapSteps(kKeyA, 5, 3), PassCount{true, 0}, thread_);
  EXPECT_EQ(thread_.fineTimerHolds, 2);
  EXPECT_EQ(thread_.FineTimersHeld(), 0);
}

TEST_F(StepRunnerTest, StepsPlayTheLowByteOnTheKeyboardBitmap) {
  const std::vector<model::MacroStep> steps = {{0x000C00E9, 1, 1, L""}, {0x000C00E9, 0, 1, L""}};
  runner_.Play(steps, PassCount{false, 1}, thread_);
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{KeyboardReport(0xE9 >> 3, 0x02), KeyboardReport()}));
}

TEST_F(StepRunnerTest, NoPassesSendNothing) {
  EXPECT_EQ(runner_.Play(TapSteps(kKeyA, 10, 1), PassCount{false, 0}, thread_), 0u);
  EXPECT_TRUE(hid_.Reports().empty());
  EXPECT_TRUE(thread_.waits.empty());
  EXPECT_TRUE(thread_.untimedSleeps.empty());
  EXPECT_EQ(thread_.fineTimerHolds, 0);
}

TEST_F(StepRunnerTest, EndlessWithoutStepsWaitsUntilStopped) {
  thread_.stopAtSleep = 3;
  EXPECT_EQ(runner_.Play({}, PassCount{true, 0}, thread_), 0u);
  EXPECT_EQ(thread_.untimedSleeps, (std::vector<std::uint32_t>(3, StepRunner::kEmptyPassWaitMs)));
  EXPECT_TRUE(hid_.Reports().empty());
  EXPECT_EQ(thread_.fineTimerHolds, 0);  // nothing timed to wait for
}

TEST_F(StepRunnerTest, ReleasePressedSendsOneReportPerPressStep) {
  const std::vector<model::MacroStep> steps = {
      {kKeyA, 1, 1, L""}, {kKeyB, 1, 1, L""}, {kKeyA, 0, 1, L""}, {kKeyA, 1, 1, L""}};
  thread_.stopAtWait = 2;  // stopped with A and B down
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
