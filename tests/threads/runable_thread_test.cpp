#include "threads/runable_thread.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "support/clock.h"
#include "threads/easy_thread.h"
#include "wait_helpers.h"

namespace {

using std::chrono::milliseconds;
using threads::BaseRunable;
using threads::IRunableThread;
using threads::RunableThread;
using threads::ThreadRunable;
using threads_test::Settle;
using threads_test::WaitUntil;

// A manual clock that also counts how often it was read, so a test knows when the timer has
// looked at its jobs (the timer reads the clock at the start of every walk, under the queue lock).
class ObservedClock final : public support::Clock {
 public:
  TimePoint Now() const override {
    reads_.fetch_add(1);
    return inner_.Now();
  }
  void SleepFor(milliseconds duration) override { inner_.SleepFor(duration); }
  void Advance(milliseconds duration) { inner_.Advance(duration); }
  int Reads() const { return reads_.load(); }

 private:
  support::ManualClock inner_;
  mutable std::atomic<int> reads_{0};
};

// The owner the jobs are bound to: records every run with its arguments.
class JobOwner {
 public:
  struct RunRecord {
    std::int32_t first;
    std::int32_t second;
    std::vector<std::uint8_t> buffer;
    std::chrono::steady_clock::time_point at;
  };

  std::int32_t Send(std::int32_t first, std::int32_t second, std::span<const std::uint8_t> buffer) {
    std::scoped_lock lock(mutex_);
    runs_.push_back({first, second, {buffer.begin(), buffer.end()}, std::chrono::steady_clock::now()});
    return 0;
  }

  std::vector<RunRecord> Runs() const {
    std::scoped_lock lock(mutex_);
    return runs_;
  }
  std::size_t RunCount() const { return Runs().size(); }

  std::unique_ptr<ThreadRunable<JobOwner>> Job(std::uint32_t interval, std::int32_t repeat, std::int32_t first = 0) {
    auto job = std::make_unique<ThreadRunable<JobOwner>>(this, &JobOwner::Send);
    job->SetInterval(interval);
    job->SetRepeat(repeat);
    job->SetValues(first, 0);
    return job;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<RunRecord> runs_;
};

// Moves the clock and lets the timer look; returns once the timer has walked its list.
void AdvanceAndLook(ObservedClock& clock, RunableThread<0>& thread, milliseconds step) {
  clock.Advance(step);
  const int readsBefore = clock.Reads();
  thread.WakeTimer();
  ASSERT_TRUE(WaitUntil([&] { return clock.Reads() > readsBefore; }));
}

class RunableThreadTest : public ::testing::Test {
 protected:
  // Starts the thread and waits until the timer has seen the jobs posted so far.
  void StartAndLetTimerSeeJobs() {
    ASSERT_EQ(0, thread.Start(nullptr));
    ASSERT_TRUE(WaitUntil([&] { return clock.Reads() > 0; }));
  }

  ObservedClock clock;
  JobOwner owner;
  RunableThread<0> thread{clock};
};

TEST_F(RunableThreadTest, Interval2000Repeat1RunsOnceWhenTheIntervalHasPassed) {
  thread.Post(owner.Job(2000, 1), false);
  StartAndLetTimerSeeJobs();

  AdvanceAndLook(clock, thread, milliseconds(1999));
  Settle();
  EXPECT_EQ(0u, owner.RunCount()) << "released before its interval";

  AdvanceAndLook(clock, thread, milliseconds(1));
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 1; }));
  EXPECT_EQ(0u, thread.TimedJobCount()) << "a used-up job is deleted";

  for (int i = 0; i < 3; ++i) AdvanceAndLook(clock, thread, milliseconds(2000));
  Settle();
  EXPECT_EQ(1u, owner.RunCount());
}

TEST_F(RunableThreadTest, RepeatZeroRunsOnceLikeRepeatOne) {
  thread.Post(owner.Job(100, 0), false);
  StartAndLetTimerSeeJobs();
  AdvanceAndLook(clock, thread, milliseconds(100));
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 1; }));
  EXPECT_EQ(0u, thread.TimedJobCount());
  AdvanceAndLook(clock, thread, milliseconds(100));
  AdvanceAndLook(clock, thread, milliseconds(100));
  Settle();
  EXPECT_EQ(1u, owner.RunCount());
}

TEST_F(RunableThreadTest, RepeatCountReleasesThatManyTimesOneIntervalApart) {
  thread.Post(owner.Job(500, 3), false);
  StartAndLetTimerSeeJobs();
  for (std::size_t expected = 1; expected <= 3; ++expected) {
    AdvanceAndLook(clock, thread, milliseconds(499));
    Settle();
    EXPECT_EQ(expected - 1, owner.RunCount());
    AdvanceAndLook(clock, thread, milliseconds(1));
    ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == expected; }));
  }
  EXPECT_EQ(0u, thread.TimedJobCount());
}

TEST_F(RunableThreadTest, RepeatMinusOneRunsEveryIntervalUntilDestruction) {
  auto endless = owner.Job(100, -1);
  thread.Post(std::move(endless), false);
  StartAndLetTimerSeeJobs();
  for (std::size_t expected = 1; expected <= 5; ++expected) {
    AdvanceAndLook(clock, thread, milliseconds(100));
    ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == expected; }));
  }
  EXPECT_EQ(1u, thread.TimedJobCount()) << "the posted job stays; only clones run";
}

TEST_F(RunableThreadTest, JobsRunInListOrderAndAtFrontGoesFirst) {
  thread.Post(owner.Job(0, 1, 2), false);
  thread.Post(owner.Job(0, 1, 3), false);
  thread.Post(owner.Job(0, 1, 1), true);
  StartAndLetTimerSeeJobs();
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 3; }));
  const auto runs = owner.Runs();
  EXPECT_EQ(1, runs[0].first);
  EXPECT_EQ(2, runs[1].first);
  EXPECT_EQ(3, runs[2].first);
}

TEST_F(RunableThreadTest, HoldBackKeepsLaterJobsWaitingWhileItIsListed) {
  auto gate = owner.Job(1000, 1, 1);
  gate->SetHoldBack(true);
  thread.Post(std::move(gate), false);
  thread.Post(owner.Job(0, 1, 2), false);
  StartAndLetTimerSeeJobs();
  Settle();
  EXPECT_EQ(0u, owner.RunCount());

  AdvanceAndLook(clock, thread, milliseconds(1000));  // releases and removes the gate
  AdvanceAndLook(clock, thread, milliseconds(0));     // the job behind it is now looked at
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 2; }));
  EXPECT_EQ(1, owner.Runs()[0].first);
  EXPECT_EQ(2, owner.Runs()[1].first);
}

TEST_F(RunableThreadTest, RunGetsValuesAndACopyOfTheBuffer) {
  auto job = owner.Job(0, 1);
  job->SetValues(-7, 0x1234);
  const std::array<std::uint8_t, 4> bytes{0x07, 0x00, 0xFF, 0x80};
  job->SetBuffer(bytes);
  thread.Post(std::move(job), false);
  StartAndLetTimerSeeJobs();
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 1; }));
  const auto run = owner.Runs().front();
  EXPECT_EQ(-7, run.first);
  EXPECT_EQ(0x1234, run.second);
  EXPECT_EQ((std::vector<std::uint8_t>{0x07, 0x00, 0xFF, 0x80}), run.buffer);
}

TEST_F(RunableThreadTest, NullAndUnboundJobsNeverRun) {
  EXPECT_EQ(0, thread.Post(nullptr, false));
  EXPECT_EQ(0u, thread.TimedJobCount());
  auto unbound = std::make_unique<ThreadRunable<JobOwner>>(nullptr, &JobOwner::Send);
  EXPECT_FALSE(unbound->IsValid());
  EXPECT_EQ(0, unbound->Run(1, 2, {}));
  thread.Post(std::move(unbound), false);
  thread.Post(owner.Job(0, 1, 5), false);  // queued behind it, proves the worker got past it
  StartAndLetTimerSeeJobs();
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 1; }));
  EXPECT_EQ(5, owner.Runs()[0].first);
  EXPECT_EQ(0u, thread.ReadyJobCount());
}

TEST_F(RunableThreadTest, PostAfterStartIsSeenAtOnce) {
  StartAndLetTimerSeeJobs();
  thread.Post(owner.Job(300, 1), false);
  ASSERT_TRUE(WaitUntil([&] { return clock.Reads() > 1; }));  // the post woke the timer
  AdvanceAndLook(clock, thread, milliseconds(300));
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 1; }));
}

TEST_F(RunableThreadTest, StartTwiceKeepsOneTimerAndOneWorker) {
  thread.Post(owner.Job(100, 1), false);
  StartAndLetTimerSeeJobs();
  EXPECT_EQ(0, thread.Start(nullptr));
  AdvanceAndLook(clock, thread, milliseconds(100));
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 1; }));
  AdvanceAndLook(clock, thread, milliseconds(100));
  Settle();
  EXPECT_EQ(1u, owner.RunCount());
}

// Blocks its worker in the thread's interruptible sleep until the thread object goes away.
class SleepyOwner {
 public:
  std::int32_t Nap(std::int32_t, std::int32_t, std::span<const std::uint8_t>) {
    napping.store(true);
    result.store(thread->Sleep(60000));
    return 0;
  }
  IRunableThread* thread = nullptr;
  std::atomic<bool> napping{false};
  std::atomic<std::uint32_t> result{0xFFFF};
};

TEST(RunableThreadLifetimeTest, DestructionStopsARunningJobAndDropsWaitingOnes) {
  SleepyOwner sleepy;
  JobOwner owner;
  auto thread = std::make_unique<RunableThread<0>>();
  sleepy.thread = thread.get();
  thread->Post(std::make_unique<ThreadRunable<SleepyOwner>>(&sleepy, &SleepyOwner::Nap), false);
  thread->Post(owner.Job(60000, 1), false);   // never due: deleted at destruction
  thread->Post(owner.Job(0, -1), false);      // endless: stops with the thread
  ASSERT_EQ(0, thread->Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return sleepy.napping.load(); }));

  const auto before = std::chrono::steady_clock::now();
  thread.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
  EXPECT_EQ(threads::kSleepStopRequested, sleepy.result.load());
  const auto runsAtDestruction = owner.RunCount();
  Settle();
  EXPECT_EQ(runsAtDestruction, owner.RunCount());
}

TEST(RunableThreadRealClockTest, StartUpJobRunsOnceAbout2000MsAfterItIsFirstSeen) {
  JobOwner owner;
  RunableThread<0> thread;
  const auto posted = std::chrono::steady_clock::now();
  thread.Post(owner.Job(2000, 1), false);
  ASSERT_EQ(0, thread.Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return owner.RunCount() == 1; }, std::chrono::seconds(30)));
  EXPECT_GE(owner.Runs()[0].at - posted, milliseconds(2000)) << "ran before its interval";
  EXPECT_EQ(0u, thread.TimedJobCount()) << "nothing is left to run again";
}

TEST(RunableThreadCallbackTest, CallbacksFrameTheJobsAndANonzeroRunResultEndsTheWorker) {
  struct Frame {
    std::int32_t OnStart(IRunableThread&, void*) { return Note('s', 0); }
    std::int32_t OnRun(IRunableThread&, void*) { return Note('r', ++runs >= 2 ? 1 : 0); }
    std::int32_t OnEnd(IRunableThread&, void*) { return Note('e', 0); }
    std::int32_t Note(char c, std::int32_t result) {
      std::scoped_lock lock(mutex);
      if (trace.empty() || trace.back() != c) trace.push_back(c);
      return result;
    }
    std::string Trace() {
      std::scoped_lock lock(mutex);
      return trace;
    }
    std::mutex mutex;
    std::string trace;
    int runs = 0;
  } frame;
  using Callback = threads::EasyThread::Callback<IRunableThread, Frame>;

  RunableThread<0> thread;
  thread.SetStartCallback(std::make_unique<Callback>(&frame, &Frame::OnStart));
  thread.SetRunCallback(std::make_unique<Callback>(&frame, &Frame::OnRun));
  thread.SetEndCallback(std::make_unique<Callback>(&frame, &Frame::OnEnd));
  ASSERT_EQ(0, thread.Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return frame.Trace() == "sre"; }));

  // The worker has ended; a new Start brings up a new one.
  ASSERT_EQ(0, thread.Start(nullptr));
  ASSERT_TRUE(WaitUntil([&] { return frame.Trace() == "sresre"; }));
}

}  // namespace
