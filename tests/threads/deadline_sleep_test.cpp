// SleepUntil of an EasyThread: waits to an absolute deadline, never ends early, and a stop cuts it
// short, with the thread's own wait or with a deadline wait it was given.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/deadline_wait.h"
#include "support/clock.h"
#include "threads/easy_thread.h"
#include "threads/worker_control.h"
#include "wait_helpers.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using threads::EasyThread;
using threads::IEasyThread;
using threads::kSleepStopRequested;
using threads::kSleepTimedOut;
using threads_test::WaitUntil;

// A deadline wait that blocks like the real ones and logs what the thread class does with it.
class LoggingDeadlineWait final : public platform::DeadlineWait {
 public:
  struct Log {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<steady_clock::time_point> deadlines;
  };

  explicit LoggingDeadlineWait(Log& log) : log_(log) {}

  Result WaitUntil(steady_clock::time_point deadline) override {
    std::unique_lock lock(log_.mutex);
    log_.calls.push_back(interrupted_ ? "wait (raised)" : "wait");
    log_.deadlines.push_back(deadline);
    const bool interrupted = raised_.wait_until(lock, deadline, [&] { return interrupted_; });
    return interrupted ? Result::kInterrupted : Result::kReached;
  }
  void Interrupt() override {
    {
      std::scoped_lock lock(log_.mutex);
      log_.calls.push_back("interrupt");
      interrupted_ = true;
    }
    raised_.notify_all();
  }
  void Reset() override {
    std::scoped_lock lock(log_.mutex);
    log_.calls.push_back("reset");
    interrupted_ = false;
  }
  std::unique_ptr<platform::FineTimerHold> HoldFineTimers() override { return nullptr; }

 private:
  Log& log_;
  std::condition_variable raised_;
  bool interrupted_ = false;  // guarded by log_.mutex
};

// A run callback that makes one SleepUntil per run, `wait` after its start, and records the
// results and when each wait ended.
class DeadlineSleeper {
 public:
  std::int32_t Run(IEasyThread& thread, void*) {
    const steady_clock::time_point deadline = steady_clock::now() + wait;
    const std::uint32_t result = thread.SleepUntil(support::SteadyClock::Instance(), deadline);
    const steady_clock::time_point ended = steady_clock::now();
    std::scoped_lock lock(mutex);
    results.push_back(result);
    endedOnTime.push_back(ended >= deadline);
    return 0;
  }

  void Bind(EasyThread& thread) {
    thread.SetRunCallback(std::make_unique<EasyThread::Callback<IEasyThread, DeadlineSleeper>>(this, &DeadlineSleeper::Run));
  }

  std::size_t Count() {
    std::scoped_lock lock(mutex);
    return results.size();
  }

  milliseconds wait{3};
  std::mutex mutex;
  std::vector<std::uint32_t> results;
  std::vector<bool> endedOnTime;
};

TEST(DeadlineSleepTest, WithoutADeadlineWaitTimedWaitsNeverEndEarly) {
  EasyThread thread;
  DeadlineSleeper sleeper;
  sleeper.Bind(thread);
  ASSERT_EQ(thread.Start(nullptr), 0);
  ASSERT_TRUE(WaitUntil([&] { return sleeper.Count() >= 20; }));
  thread.Stop();
  std::scoped_lock lock(sleeper.mutex);
  for (std::size_t i = 0; i + 1 < sleeper.results.size(); ++i) {  // the last one may meet the stop
    EXPECT_EQ(sleeper.results[i], kSleepTimedOut) << i;
    EXPECT_TRUE(sleeper.endedOnTime[i]) << "wait " << i << " ended before its deadline";
  }
}

TEST(DeadlineSleepTest, WithoutADeadlineWaitAStopCutsALongWaitShort) {
  EasyThread thread;
  DeadlineSleeper sleeper;
  sleeper.wait = milliseconds(3'600'000);
  sleeper.Bind(thread);
  ASSERT_EQ(thread.Start(nullptr), 0);
  threads_test::Settle();
  thread.Stop();  // would block for an hour if the stop did not reach the wait
  std::scoped_lock lock(sleeper.mutex);
  EXPECT_EQ(sleeper.results, (std::vector<std::uint32_t>{kSleepStopRequested}));
  EXPECT_FALSE(thread.HoldFineTimers());  // no deadline wait, nothing to hold
}

TEST(DeadlineSleepTest, TheDeadlineWaitGetsTheSteadyDeadlineAndTheStopInterruptsIt) {
  LoggingDeadlineWait::Log log;
  EasyThread thread(std::make_unique<LoggingDeadlineWait>(log));
  DeadlineSleeper sleeper;
  sleeper.wait = milliseconds(3'600'000);
  sleeper.Bind(thread);

  ASSERT_EQ(thread.Start(nullptr), 0);
  ASSERT_TRUE(WaitUntil([&] {
    std::scoped_lock lock(log.mutex);
    return !log.deadlines.empty();
  }));
  thread.Stop();
  {
    std::scoped_lock lock(log.mutex);
    // Lowered before the worker ran, raised by the stop while it waited.
    EXPECT_EQ(log.calls, (std::vector<std::string>{"reset", "wait", "interrupt"}));
    ASSERT_EQ(log.deadlines.size(), 1u);
    const auto left = log.deadlines.front() - steady_clock::now();
    EXPECT_GT(left, milliseconds(3'500'000));  // the hour's deadline itself, on the steady clock
    log.calls.clear();
  }

  // A restart lowers the interrupt again before the new worker waits.
  ASSERT_EQ(thread.Start(nullptr), 0);
  ASSERT_TRUE(WaitUntil([&] {
    std::scoped_lock lock(log.mutex);
    return log.deadlines.size() == 2;
  }));
  thread.Stop();
  std::scoped_lock lock(log.mutex);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"reset", "wait", "interrupt"}));
  EXPECT_EQ(sleeper.results, (std::vector<std::uint32_t>{kSleepStopRequested, kSleepStopRequested}));
}

TEST(DeadlineSleepTest, AStopBeforeTheWaitIsNotLost) {
  LoggingDeadlineWait::Log log;
  EasyThread thread(std::make_unique<LoggingDeadlineWait>(log));
  std::atomic<std::uint32_t> result{0xDEAD};
  struct StopsItselfFirst {
    EasyThread* thread;
    std::atomic<std::uint32_t>* result;
    std::int32_t Run(IEasyThread& self, void*) {
      thread->Stop();  // on the worker itself: only asks
      result->store(self.SleepUntil(support::SteadyClock::Instance(), steady_clock::now() + std::chrono::hours(1)));
      return 0;
    }
  } owner{&thread, &result};
  thread.SetRunCallback(std::make_unique<EasyThread::Callback<IEasyThread, StopsItselfFirst>>(&owner, &StopsItselfFirst::Run));
  ASSERT_EQ(thread.Start(nullptr), 0);
  ASSERT_TRUE(WaitUntil([&] { return result.load() != 0xDEAD; }));
  EXPECT_EQ(result.load(), kSleepStopRequested);
  {
    std::scoped_lock lock(log.mutex);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"reset", "interrupt", "wait (raised)"}));
  }
  thread.Stop();
}

}  // namespace
