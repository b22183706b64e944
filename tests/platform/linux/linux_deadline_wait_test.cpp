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
#include "tests/platform/deadline_wait_contract.h"
#include "tests/common/wait_for.h"

namespace {

using platform::linux_backend::LinuxDeadlineWait;

struct LinuxWait {
  static std::unique_ptr<platform::DeadlineWait> Make() { return platform::CreateDeadlineWait(); }
};
struct FutexOnly {
  static std::unique_ptr<platform::DeadlineWait> Make() {
    return std::make_unique<LinuxDeadlineWait>(std::chrono::microseconds(0));
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
