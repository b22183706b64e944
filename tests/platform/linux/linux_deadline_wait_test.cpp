// The futex deadline wait of the Linux backend, with and without its final spin, and the timer
// slack it holds while a macro plays.
#include "platform/linux/linux_deadline_wait.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/deadline_wait.h"
#include "platform/linux/fine_timing_hold.h"
#include "platform/linux/wake_lateness.h"
#include "tests/platform/deadline_wait_contract.h"
#include "tests/common/wait_for.h"

namespace {

using platform::linux_backend::LinuxDeadlineWait;

struct LinuxWait {
  static std::unique_ptr<platform::DeadlineWait> Make() { return platform::CreateDeadlineWait(); }
};
struct FutexOnly {
  static std::unique_ptr<platform::DeadlineWait> Make() {
    return std::make_unique<LinuxDeadlineWait>(std::chrono::microseconds(0), std::chrono::microseconds(0));
  }
};
// Spins through every wait of the suite, so the spin alone has to honour deadline and interrupt.
struct SpinOnly {
  static std::unique_ptr<platform::DeadlineWait> Make() { return std::make_unique<LinuxDeadlineWait>(std::chrono::hours(1)); }
};
using LinuxWaits = ::testing::Types<LinuxWait, FutexOnly, SpinOnly>;

int TimerSlack() { return prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0); }

}  // namespace

namespace deadline_wait_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, DeadlineWaitContract, LinuxWaits);
}  // namespace deadline_wait_contract

namespace {

TEST(LinuxDeadlineWaitTest, TheBackendHandsOutTheFutexWait) {
  const std::unique_ptr<platform::DeadlineWait> wait = platform::CreateDeadlineWait();
  EXPECT_NE(dynamic_cast<LinuxDeadlineWait*>(wait.get()), nullptr);
}

// The spin before a deadline: the base lead, plus a quarter more than the recent lateness of
// wake-ups, held under an eighth of the sleep and under the cap (so a long step spins about 2% of
// its length at most), and nothing added for a deadline passed.
TEST(LinuxDeadlineWaitTest, TheSpinLeadGrowsWithRecentLatenessUpToAShareOfTheSleepAndTheCap) {
  using std::chrono::microseconds;
  using std::chrono::milliseconds;
  const LinuxDeadlineWait wait(microseconds(200), microseconds(2000));
  const auto now = std::chrono::steady_clock::now();
  EXPECT_EQ(wait.SpinLeadFor(now, now + milliseconds(100), microseconds(0)), microseconds(200));
  EXPECT_EQ(wait.SpinLeadFor(now, now + milliseconds(100), microseconds(400)), microseconds(700));
  EXPECT_EQ(wait.SpinLeadFor(now, now + milliseconds(100), milliseconds(5)), microseconds(2200));
  EXPECT_EQ(wait.SpinLeadFor(now, now + milliseconds(1), microseconds(400)), microseconds(325));
  EXPECT_EQ(wait.SpinLeadFor(now, now + milliseconds(16), microseconds(400)), microseconds(700));
  EXPECT_EQ(wait.SpinLeadFor(now, now - milliseconds(5), microseconds(400)), microseconds(200));
  const LinuxDeadlineWait futexOnly(microseconds(0), microseconds(0));
  EXPECT_EQ(futexOnly.SpinLeadFor(now, now + std::chrono::seconds(1), milliseconds(5)), microseconds(0));
}

// Every futex wait that times out tells the wait how late it woke (never exactly on time), and
// the next lead grows by it.
TEST(LinuxDeadlineWaitTest, TimedOutFutexWaitsTeachTheWaitTheirLateness) {
  LinuxDeadlineWait wait;
  EXPECT_EQ(wait.RecentWakeLateness(), std::chrono::nanoseconds(0));
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(wait.WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(3)),
              platform::DeadlineWait::Result::kReached);
  }
  EXPECT_GT(wait.RecentWakeLateness(), std::chrono::nanoseconds(0));
}

// A late wake-up counts at once; later ones on time let it fade by 1/512 each; a wake-up reported
// early (clocks read in the other order) counts as on time.
TEST(WakeLatenessTest, RisesAtOnceAndFadesByA512thPerWakeUp) {
  using std::chrono::microseconds;
  using std::chrono::nanoseconds;
  platform::linux_backend::WakeLateness lateness;
  EXPECT_EQ(lateness.Recent(), nanoseconds(0));
  lateness.Observe(microseconds(50));
  lateness.Observe(microseconds(3200));
  EXPECT_EQ(lateness.Recent(), microseconds(3200));
  lateness.Observe(microseconds(10));
  EXPECT_EQ(lateness.Recent(), nanoseconds(3'193'750));  // 3200 us less 1/512
  lateness.Observe(microseconds(3500));
  EXPECT_EQ(lateness.Recent(), microseconds(3500));
  for (int i = 0; i < 350; ++i) lateness.Observe(nanoseconds(-1000));
  EXPECT_GT(lateness.Recent(), microseconds(1700));  // about half after 350 wake-ups on time
  EXPECT_LT(lateness.Recent(), microseconds(1800));
  for (int i = 0; i < 5000; ++i) lateness.Observe(nanoseconds(-1000));
  EXPECT_LT(lateness.Recent(), microseconds(10));
  EXPECT_GE(lateness.Recent(), nanoseconds(0));
}

TEST(LinuxDeadlineWaitTest, HoldingFineTimersSetsThisThreadsSlackTo1UsAndThenRestoresIt) {
  LinuxDeadlineWait wait;
  const int mainSlack = TimerSlack();
  std::atomic<bool> holding{false};
  std::atomic<bool> release{false};
  int before = 0, held = 0, after = 0;
  std::thread player([&] {
    ASSERT_EQ(prctl(PR_SET_TIMERSLACK, 37000, 0, 0, 0), 0);
    before = TimerSlack();
    {
      const auto hold = wait.HoldFineTimers();
      ASSERT_NE(hold, nullptr);
      held = TimerSlack();
      holding = true;
      while (!release) std::this_thread::yield();
    }
    after = TimerSlack();
  });
  ASSERT_TRUE(testsupport::WaitFor([&] { return holding.load(); }));
  EXPECT_EQ(TimerSlack(), mainSlack);  // only the holding thread's timers change
  release = true;
  player.join();
  EXPECT_EQ(before, 37000);
  EXPECT_EQ(held, LinuxDeadlineWait::kFineTimerSlackNs);
  EXPECT_EQ(after, 37000);
}

TEST(LinuxDeadlineWaitTest, HoldingFineTimersShortensTheSchedulerSliceAndKeepsTheNiceLevel) {
  LinuxDeadlineWait wait;
  platform::linux_backend::SchedulerAttributes before{}, held{}, after{};
  std::thread player([&] {
    ASSERT_EQ(setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 3), 0);  // this thread only
    ASSERT_TRUE(platform::linux_backend::ReadSchedulerAttributes(before));
    {
      const auto hold = wait.HoldFineTimers();
      ASSERT_TRUE(platform::linux_backend::ReadSchedulerAttributes(held));
    }
    ASSERT_TRUE(platform::linux_backend::ReadSchedulerAttributes(after));
  });
  player.join();
  EXPECT_EQ(held.nice, 3);
  EXPECT_EQ(held.policy, before.policy);
  if (held.runtime == 0) {
    GTEST_SKIP() << "this kernel has no scheduler slices for normal threads (before Linux 6.12)";
  }
  EXPECT_EQ(held.runtime, LinuxDeadlineWait::kFineSchedulerSliceNs);
  EXPECT_EQ(after.runtime, before.runtime);
  EXPECT_EQ(after.nice, 3);
}

}  // namespace
