#include "threads/easy_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "wait_helpers.h"

namespace {

using threads::EasyThread;
using threads::IEasyThread;
using threads_test::Settle;
using threads_test::WaitUntil;

// Stands in for the main window: owns the behaviour of each callback and records what happened.
class Owner {
 public:
  using Behaviour = std::function<std::int32_t(IEasyThread&, void*)>;

  std::int32_t OnStart(IEasyThread& thread, void* owner) { return Record("start", thread, owner, onStart); }
  std::int32_t OnRun(IEasyThread& thread, void* owner) {
    runs.fetch_add(1);
    return Record("run", thread, owner, onRun);
  }
  std::int32_t OnEnd(IEasyThread& thread, void* owner) { return Record("end", thread, owner, onEnd); }

  void Bind(EasyThread& thread) {
    thread.SetStartCallback(std::make_unique<EasyThread::Callback<IEasyThread, Owner>>(this, &Owner::OnStart));
    thread.SetRunCallback(std::make_unique<EasyThread::Callback<IEasyThread, Owner>>(this, &Owner::OnRun));
    thread.SetEndCallback(std::make_unique<EasyThread::Callback<IEasyThread, Owner>>(this, &Owner::OnEnd));
  }

  std::vector<std::string> Calls() const {
    std::scoped_lock lock(mutex);
    return calls;
  }
  std::set<std::thread::id> Threads() const {
    std::scoped_lock lock(mutex);
    return threadIds;
  }
  std::vector<void*> Owners() const {
    std::scoped_lock lock(mutex);
    return owners;
  }
  bool Ended() const {
    const auto all = Calls();
    return !all.empty() && all.back() == "end";
  }

  Behaviour onStart, onRun, onEnd;
  std::atomic<int> runs{0};

 private:
  std::int32_t Record(const char* name, IEasyThread& thread, void* owner, const Behaviour& behaviour) {
    {
      std::scoped_lock lock(mutex);
      if (calls.empty() || calls.back() != name) calls.push_back(name);  // runs fold into one entry
      threadIds.insert(std::this_thread::get_id());
      owners.push_back(owner);
    }
    return behaviour ? behaviour(thread, owner) : 0;
  }

  mutable std::mutex mutex;
  std::vector<std::string> calls;
  std::set<std::thread::id> threadIds;
  std::vector<void*> owners;
};

int ownerTag1 = 1;
int ownerTag2 = 2;

TEST(EasyThreadTest, CallsStartThenRunUntilNonzeroThenEnd) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  owner.onRun = [&](IEasyThread&, void*) { return owner.runs.load() >= 3 ? 1 : 0; };

  ASSERT_EQ(0, thread.Start(&ownerTag1));
  ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
  EXPECT_EQ((std::vector<std::string>{"start", "run", "end"}), owner.Calls());
  EXPECT_EQ(3, owner.runs.load());
  ASSERT_EQ(1u, owner.Threads().size());
  EXPECT_NE(std::this_thread::get_id(), *owner.Threads().begin());
  for (void* seen : owner.Owners()) EXPECT_EQ(&ownerTag1, seen);
  thread.Stop();  // already ended: returns at once
}

TEST(EasyThreadTest, RunResultMinusOneEndsWithoutEndCallback) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  owner.onRun = [](IEasyThread&, void*) { return -1; };

  thread.Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
  EXPECT_EQ((std::vector<std::string>{"start", "run"}), owner.Calls());
  EXPECT_EQ(1, owner.runs.load());
}

TEST(EasyThreadTest, NonzeroStartResultSkipsRunAndMinusOneAlsoSkipsEnd) {
  {
    EasyThread thread;
    Owner owner;
    owner.Bind(thread);
    owner.onStart = [](IEasyThread&, void*) { return 5; };
    thread.Start(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
    EXPECT_EQ((std::vector<std::string>{"start", "end"}), owner.Calls());
  }
  {
    EasyThread thread;
    Owner owner;
    owner.Bind(thread);
    owner.onStart = [](IEasyThread&, void*) { return -1; };
    thread.Start(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
    EXPECT_EQ((std::vector<std::string>{"start"}), owner.Calls());
  }
}

TEST(EasyThreadTest, StopOnIdleThreadReturnsAndNothingRuns) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  thread.Stop();
  thread.Stop();
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_TRUE(owner.Calls().empty());
}

TEST(EasyThreadTest, StartWhileRunningKeepsTheWorkerAndOnlyChangesTheOwner) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  owner.onRun = [](IEasyThread& self, void*) {
    self.Sleep(1);
    return 0;
  };

  ASSERT_EQ(0, thread.Start(&ownerTag1));
  ASSERT_TRUE(WaitUntil([&] { return owner.runs.load() > 0; }));
  ASSERT_EQ(0, thread.Start(&ownerTag2));
  ASSERT_TRUE(WaitUntil([&] {
    const auto owners = owner.Owners();
    return owners.back() == &ownerTag2;
  }));
  thread.Stop();

  EXPECT_EQ(1u, owner.Threads().size());
  EXPECT_EQ((std::vector<std::string>{"start", "run", "end"}), owner.Calls());
}

TEST(EasyThreadTest, StopCutsALongSleepShortAndEndCallbackRuns) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  std::atomic<bool> sleeping{false};
  std::atomic<std::uint32_t> sleepResult{0xFFFF};
  owner.onRun = [&](IEasyThread& self, void*) {
    sleeping.store(true);
    sleepResult.store(self.Sleep(60000));
    return 0;
  };

  thread.Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return sleeping.load(); }));
  const auto before = std::chrono::steady_clock::now();
  thread.Stop();
  const auto waited = std::chrono::steady_clock::now() - before;

  EXPECT_LT(waited, std::chrono::seconds(10));  // far below the 60 s sleep
  EXPECT_EQ(threads::kSleepStopRequested, sleepResult.load());
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_EQ((std::vector<std::string>{"start", "run", "end"}), owner.Calls());
}

TEST(EasyThreadTest, SleepWithoutStopTimesOutAndReportsWhetherStopWasAsked) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  std::atomic<std::uint32_t> sleepResult{0xFFFF};
  std::atomic<int> stopSeenInside{-1};
  owner.onRun = [&](IEasyThread& self, void*) {
    stopSeenInside.store(self.IsStopRequested() ? 1 : 0);
    sleepResult.store(self.Sleep(2));
    return 1;
  };
  thread.Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
  EXPECT_EQ(threads::kSleepTimedOut, sleepResult.load());
  EXPECT_EQ(0, stopSeenInside.load());
  EXPECT_TRUE(thread.IsStopRequested());  // this thread is not the worker
}

TEST(EasyThreadTest, StopFromInsideACallbackDoesNotDeadlockAndEndsTheWorker) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  std::atomic<bool> stopSeenAfter{false};
  owner.onRun = [&](IEasyThread& self, void*) {
    thread.Stop();
    stopSeenAfter.store(self.IsStopRequested());
    return 0;
  };

  thread.Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
  EXPECT_TRUE(stopSeenAfter.load());
  EXPECT_EQ(1, owner.runs.load());
  EXPECT_EQ((std::vector<std::string>{"start", "run", "end"}), owner.Calls());
  thread.Stop();
}

TEST(EasyThreadTest, StartsAgainAfterStopWithTheStopCleared) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  std::atomic<std::uint32_t> lastSleep{0xFFFF};
  owner.onRun = [&](IEasyThread& self, void*) {
    lastSleep.store(self.Sleep(1));
    return 1;
  };

  for (int round = 0; round < 3; ++round) {
    thread.Start(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
    EXPECT_EQ(threads::kSleepTimedOut, lastSleep.load()) << "round " << round;
    thread.Stop();
  }
  EXPECT_EQ(3, owner.runs.load());
}

TEST(EasyThreadTest, NewWorkerAlwaysSeesItsOwnIdAndAnEarlyStopIsNeverLost) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  std::atomic<int> startsThatSawAStop{0};
  owner.onStart = [&](IEasyThread& self, void*) {
    if (self.IsStopRequested()) startsThatSawAStop.fetch_add(1);
    return 0;
  };
  owner.onRun = [](IEasyThread& self, void*) {
    self.Sleep(60000);
    return 0;
  };

  // Stop right after Start: the stop may land before the worker's first Sleep, and must still
  // end that Sleep at once (each Stop returning at all is the check).
  const auto before = std::chrono::steady_clock::now();
  for (int round = 0; round < 100; ++round) {
    ASSERT_EQ(0, thread.Start(nullptr));
    thread.Stop();
    ASSERT_FALSE(thread.IsRunning());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));

  // Without a racing stop, the start callback of a fresh worker finds itself allowed to run.
  startsThatSawAStop.store(0);
  for (int round = 0; round < 50; ++round) {
    const int runsBefore = owner.runs.load();
    thread.Start(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return owner.runs.load() > runsBefore; }));
    thread.Stop();
  }
  EXPECT_EQ(0, startsThatSawAStop.load());
}

TEST(EasyThreadTest, TwoStoppersBothWaitUntilTheWorkerHasEnded) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  std::atomic<bool> sleeping{false};
  owner.onRun = [&](IEasyThread& self, void*) {
    sleeping.store(true);
    self.Sleep(60000);
    return 0;
  };
  std::atomic<bool> endedSeenBySecond{false};
  owner.onEnd = [&](IEasyThread&, void*) {
    Settle();  // widen the window in which a stopper could return too early
    return 0;
  };

  thread.Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return sleeping.load(); }));
  std::thread second([&] {
    thread.Stop();
    endedSeenBySecond.store(owner.Ended() && !thread.IsRunning());
  });
  thread.Stop();
  EXPECT_TRUE(owner.Ended());
  EXPECT_FALSE(thread.IsRunning());
  second.join();
  EXPECT_TRUE(endedSeenBySecond.load());
}

TEST(EasyThreadTest, DestructionWhileRunningStopsAndWaitsForTheWorker) {
  Owner owner;
  std::atomic<bool> sleeping{false};
  owner.onRun = [&](IEasyThread& self, void*) {
    sleeping.store(true);
    self.Sleep(60000);
    return 0;
  };
  auto thread = std::make_unique<EasyThread>();
  owner.Bind(*thread);
  thread->Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return sleeping.load(); }));
  const auto before = std::chrono::steady_clock::now();
  thread.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
  EXPECT_EQ((std::vector<std::string>{"start", "run", "end"}), owner.Calls());
}

TEST(EasyThreadTest, RunCallbackReplacedWhileRunningFinishesItsCallFirst) {
  EasyThread thread;
  Owner first;
  Owner second;
  std::atomic<bool> inside{false};
  std::atomic<bool> release{false};
  first.onRun = [&](IEasyThread&, void*) {
    inside.store(true);
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  };
  first.Bind(thread);
  thread.Start(nullptr);
  ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));

  // The old callback object is still being called; replacing it must not destroy it under the call.
  thread.SetRunCallback(std::make_unique<EasyThread::Callback<IEasyThread, Owner>>(&second, &Owner::OnRun));
  release.store(true);
  ASSERT_TRUE(WaitUntil([&] { return second.runs.load() > 0; }));
  thread.Stop();
  EXPECT_EQ(1, first.runs.load());
}

TEST(EasyThreadTest, WithoutRunCallbackWaitsIdleAndPicksUpOneSetLater) {
  EasyThread thread;
  Owner owner;
  thread.Start(nullptr);
  EXPECT_TRUE(thread.IsRunning());
  thread.SetRunCallback(std::make_unique<EasyThread::Callback<IEasyThread, Owner>>(&owner, &Owner::OnRun));
  ASSERT_TRUE(WaitUntil([&] { return owner.runs.load() > 0; }));
  thread.Stop();
  EXPECT_FALSE(thread.IsRunning());
}

TEST(EasyThreadTest, CallbackWithoutBoundOwnerReturnsZero) {
  EasyThread::Callback<IEasyThread, Owner> unbound(nullptr, &Owner::OnRun);
  EasyThread thread;
  EXPECT_EQ(0, unbound.Call(thread, nullptr));
}

TEST(EasyThreadTest, UserDataKeepsTheFirstNonNullPair) {
  EasyThread thread;
  int record = 0;
  int other = 0;
  thread.SetUserData(nullptr, 9);
  EXPECT_EQ(nullptr, thread.GetUserData().pointer);
  thread.SetUserData(&record, 7);
  thread.SetUserData(&other, 8);
  EXPECT_EQ(&record, thread.GetUserData().pointer);
  EXPECT_EQ(7, thread.GetUserData().value);
}

TEST(EasyThreadTest, LockAndDataMutexGuardTheSameDataAcrossThreads) {
  EasyThread thread;
  Owner owner;
  owner.Bind(thread);
  long shared = 0;
  owner.onRun = [&](IEasyThread& self, void*) {
    for (int i = 0; i < 1000; ++i) {
      self.Lock();
      ++shared;
      self.Unlock();
    }
    return 1;
  };
  thread.Start(nullptr);
  for (int i = 0; i < 1000; ++i) {
    std::scoped_lock lock(thread.DataMutex());
    ++shared;
  }
  ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
  std::scoped_lock lock(thread.DataMutex());
  EXPECT_EQ(2000, shared);
}

}  // namespace
