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
    return std::make_unique<LinuxDeadlineWait>(platform::linux_backend::SpinLimits::None());
  }
};
// Spins through every wait of the suite, so the spin alone has to honour deadline and interrupt.
struct SpinOnly {
  static std::unique_ptr<platform::DeadlineWait> Make() {
    return std::make_unique<LinuxDeadlineWait>(platform::linux_backend::SpinLimits{.minimum = std::chrono::hours(1)});
  }
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

// The spin before a deadline: only what the recent lateness exceeds the aim by, within the budget
// of 16 us plus 1/160 of the sleep; the minimum whatever the lateness.
TEST(LinuxDeadlineWaitTest, TheSpinCoversTheLatenessBeyondTheAimWithinItsBudget) {
  using std::chrono::microseconds;
  using std::chrono::milliseconds;
  using std::chrono::nanoseconds;
  using platform::linux_backend::SpinLimits;
  const auto now = std::chrono::steady_clock::now();
  struct Case {
    SpinLimits limits;
    std::chrono::steady_clock::duration sleep;
    nanoseconds lateness;
    nanoseconds lead;
  };
  const Case cases[] = {
      {{}, milliseconds(16), microseconds(0), microseconds(0)},         // on time by itself
      {{}, milliseconds(16), microseconds(180), microseconds(80)},
      {{}, milliseconds(16), microseconds(551), microseconds(116)},     // 16 + 16000/160
      {{}, milliseconds(1), microseconds(400), nanoseconds(22'250)},    // 16 + 1000/160
      {{}, milliseconds(100), milliseconds(5), microseconds(641)},      // 16 + 100000/160
      {{}, -milliseconds(5), microseconds(400), microseconds(16)},      // a deadline passed
      {SpinLimits::None(), std::chrono::seconds(1), milliseconds(5), nanoseconds(0)},
      {{.minimum = microseconds(200)}, milliseconds(16), microseconds(0), microseconds(200)},
      {{.minimum = microseconds(200)}, milliseconds(100), microseconds(600), microseconds(500)},
  };
  for (const Case& test : cases) {
    const LinuxDeadlineWait wait(test.limits);
    const auto lead = wait.SpinLeadFor(now, now + test.sleep, test.lateness);
    EXPECT_EQ(lead, test.lead) << "sleep " << std::chrono::duration_cast<microseconds>(test.sleep).count()
                               << " us, lateness " << test.lateness.count() << " ns";
  }
}

// Every futex wait that times out tells the wait how late it woke.
TEST(LinuxDeadlineWaitTest, TimedOutFutexWaitsTeachTheWaitTheirLateness) {
  LinuxDeadlineWait wait;
  EXPECT_EQ(wait.RecentWakeLateness().Count(), 0u);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(wait.WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(3)),
              platform::DeadlineWait::Result::kReached);
  }
  EXPECT_EQ(wait.RecentWakeLateness().Count(), 3u);
  EXPECT_GT(wait.RecentWakeLateness().Percentile(1000), std::chrono::nanoseconds(0));
}

// Every lateness falls in a bucket whose upper edge lies above it by at most an eighth (1 us below
// 16 us), and the buckets follow each other without gaps.
TEST(WakeLatenessTest, BucketsCoverEveryLatenessWithinAnEighth) {
  using platform::linux_backend::WakeLateness;
  std::size_t previous = 0;
  for (std::uint64_t micros = 0; micros < 70'000; ++micros) {
    const std::size_t bucket = WakeLateness::BucketOf(micros);
    ASSERT_TRUE(bucket == previous || bucket == previous + 1) << micros << " us";
    previous = bucket;
    if (micros >= 65'536) {
      ASSERT_EQ(bucket, WakeLateness::BucketOf(65'535)) << "the last bucket takes everything later";
      continue;
    }
    const std::uint64_t upper = WakeLateness::UpperEdgeOf(bucket);
    ASSERT_GT(upper, micros);
    ASSERT_LE(upper, micros + micros / 8 + 1) << micros << " us";
    if (bucket > 0) {
      ASSERT_LE(WakeLateness::UpperEdgeOf(bucket - 1), micros) << micros << " us";
    }
  }
}

// The 99th percentile of a full window is its third-largest wake-up (2 may lie above it); with
// fewer than 100 it is the largest; a late spell leaves the window after 256 later wake-ups; early
// counts as on time.
TEST(WakeLatenessTest, PercentileOfTheRecentWindow) {
  using std::chrono::microseconds;
  using std::chrono::nanoseconds;
  platform::linux_backend::WakeLateness lateness;
  EXPECT_EQ(lateness.Percentile(990), nanoseconds(0));
  lateness.Observe(microseconds(5));
  lateness.Observe(microseconds(3000));
  lateness.Observe(microseconds(40));
  EXPECT_EQ(lateness.Percentile(990), microseconds(3072));  // 3000 us, in its bucket 2816..3071
  EXPECT_EQ(lateness.Percentile(0), microseconds(6));       // 5 us
  for (int i = 0; i < 250; ++i) lateness.Observe(microseconds(10));
  lateness.Observe(microseconds(800));
  lateness.Observe(microseconds(200));
  lateness.Observe(microseconds(-30));
  ASSERT_EQ(lateness.Count(), 256u);
  EXPECT_EQ(lateness.Percentile(990), microseconds(208));   // above it: 3000 and 800 us
  EXPECT_EQ(lateness.Percentile(1000), microseconds(3072));
  lateness.Observe(microseconds(10));                      // 5 us leaves the window
  lateness.Observe(microseconds(10));                      // 3000 us leaves the window
  EXPECT_EQ(lateness.Count(), 256u);
  EXPECT_EQ(lateness.Percentile(1000), microseconds(832));
  EXPECT_EQ(lateness.Percentile(990), microseconds(44));   // 40 us; above it: 800 and 200 us
  for (int i = 0; i < 256; ++i) lateness.Observe(microseconds(-1));
  EXPECT_EQ(lateness.Percentile(1000), microseconds(1));
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
