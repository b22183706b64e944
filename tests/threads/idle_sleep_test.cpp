// A run callback with nothing to do sleeps with kSleepInfinite: it must not wake on its own, and a
// stop must still end it at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

#include "threads/easy_thread.h"
#include "threads/runable_thread.h"
#include "wait_helpers.h"

namespace {

using threads::EasyThread;
using threads::IEasyThread;
using threads::IRunableThread;
using threads::kSleepInfinite;
using threads::kSleepStopRequested;
using threads_test::Settle;
using threads_test::WaitUntil;

class IdleRunner {
 public:
  std::int32_t Run(IEasyThread& thread, void*) {
    runs.fetch_add(1);
    lastSleep.store(thread.Sleep(kSleepInfinite));
    sleepsEnded.fetch_add(1);
    return 0;
  }

  std::atomic<int> runs{0};
  std::atomic<int> sleepsEnded{0};
  std::atomic<std::uint32_t> lastSleep{0xDEAD};
};

TEST(IdleSleepTest, InfiniteSleepOfAnEasyThreadEndsOnlyByStop) {
  EasyThread thread;
  IdleRunner runner;
  thread.SetRunCallback(std::make_unique<EasyThread::Callback<IEasyThread, IdleRunner>>(&runner, &IdleRunner::Run));
  ASSERT_EQ(thread.Start(nullptr), 0);
  ASSERT_TRUE(WaitUntil([&] { return runner.runs.load() == 1; }));

  Settle();
  Settle();
  // Still in its first sleep: no timed wake-up, no second pass.
  EXPECT_EQ(runner.runs.load(), 1);
  EXPECT_EQ(runner.sleepsEnded.load(), 0);

  thread.Stop();  // returns only once the worker has ended
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_EQ(runner.sleepsEnded.load(), 1);
  EXPECT_EQ(runner.lastSleep.load(), kSleepStopRequested);
  EXPECT_EQ(runner.runs.load(), 1);
}

TEST(IdleSleepTest, InfiniteSleepAfterARestartWaitsForTheNewStop) {
  EasyThread thread;
  IdleRunner runner;
  thread.SetRunCallback(std::make_unique<EasyThread::Callback<IEasyThread, IdleRunner>>(&runner, &IdleRunner::Run));
  ASSERT_EQ(thread.Start(nullptr), 0);
  ASSERT_TRUE(WaitUntil([&] { return runner.runs.load() == 1; }));
  thread.Stop();

  // The earlier stop must not leak into the restarted worker's sleep.
  ASSERT_EQ(thread.Start(nullptr), 0);
  ASSERT_TRUE(WaitUntil([&] { return runner.runs.load() == 2; }));
  Settle();
  EXPECT_EQ(runner.sleepsEnded.load(), 1);
  EXPECT_TRUE(thread.IsRunning());
  thread.Stop();
  EXPECT_EQ(runner.sleepsEnded.load(), 2);
}

struct JobThatSleeps {
  IRunableThread* thread = nullptr;
  std::atomic<std::uint32_t> result{0xDEAD};
  std::atomic<bool> started{false};
  std::int32_t Run(std::int32_t, std::int32_t, std::span<const std::uint8_t>) {
    started.store(true);
    result.store(thread->Sleep(kSleepInfinite));
    return 0;
  }
};

TEST(IdleSleepTest, InfiniteSleepOfARunableThreadJobEndsAtDestruction) {
  JobThatSleeps job;
  {
    threads::RunableThread<0> thread;
    job.thread = &thread;
    thread.Post(std::make_unique<threads::ThreadRunable<JobThatSleeps>>(&job, &JobThatSleeps::Run), false);
    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(WaitUntil([&] { return job.started.load(); }));
    Settle();
    EXPECT_EQ(job.result.load(), 0xDEADu);
  }  // destruction stops the worker, which ends the sleep
  EXPECT_EQ(job.result.load(), kSleepStopRequested);
}

}  // namespace
