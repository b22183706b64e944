#pragma once
// Delayed jobs: a timer thread releases each posted job when its interval has passed, and a worker
// thread runs the released copies one at a time (the start-up effect report, 2000 ms after start).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "support/clock.h"
#include "threads/callback_slots.h"
#include "threads/runable.h"
#include "threads/worker_control.h"
#include "threads/worker_thread.h"

namespace threads {

// What the callbacks and jobs of a RunableThread see of it: a worker thread that takes jobs.
class IRunableThread : public IWorkerThread {
 public:
  // Queues `job` for the timer, at the front when `atFront`. A null job is ignored. Returns 0.
  virtual int Post(std::unique_ptr<BaseRunable> job, bool atFront) = 0;
};

template <int Variant>
class RunableThread;

// The timer does not poll: it sleeps until the earliest due time among the jobs it has seen, and
// is woken early by Post, Start and destruction. A job is first seen when the timer first walks
// the list after the job was posted (at once when the timer runs) and is released `interval` ms
// later; a job that stays listed is released again `interval` ms (at least 1 ms) after each release.
template <>
class RunableThread<0> final : public IRunableThread {
 public:
  using ICallback = ThreadCallback<IRunableThread>;

  // `clock` measures the intervals; it must outlive the thread object.
  explicit RunableThread(support::Clock& clock = support::SteadyClock::Instance());
  // Stops the timer and then the worker, waits for both and deletes the jobs left.
  // Must not be destroyed from its own callbacks or jobs.
  ~RunableThread() override;
  RunableThread(const RunableThread&) = delete;
  RunableThread& operator=(const RunableThread&) = delete;

  void SetStartCallback(std::unique_ptr<ICallback> callback);
  void SetRunCallback(std::unique_ptr<ICallback> callback);
  void SetEndCallback(std::unique_ptr<ICallback> callback);

  // Starts the timer thread and the worker thread where they do not run, and sets the owner.
  // 0 when both run, 1 when a thread could not be created.
  int Start(void* owner);

  int Post(std::unique_ptr<BaseRunable> job, bool atFront) override;
  // Makes the timer look at its jobs at once: for a clock that jumps instead of running (tests).
  void WakeTimer();

  std::size_t TimedJobCount() const;
  std::size_t ReadyJobCount() const;
  // How many walks of the job list the timer has finished. A walk begun after Post has seen the
  // job: tests wait for one after WakeTimer instead of waiting for a time.
  std::uint64_t TimerWalks() const;

  std::uint32_t Sleep(std::uint32_t milliseconds) override;
  bool IsStopRequested() const override { return worker_.IsStopRequested(); }

 private:
  struct TimedJob {
    std::unique_ptr<BaseRunable> job;
    std::optional<support::Clock::TimePoint> nextRelease;  // empty until the timer first sees it
  };

  bool StartTimer();
  void RunTimer();
  // One walk of the timed list at `now`; returns the earliest release still ahead, if any.
  std::optional<support::Clock::TimePoint> ReleaseDueJobs(support::Clock::TimePoint now);
  // Takes the first released job and runs it outside the queue lock. True when there was one.
  bool RunOneReadyJob();

  support::Clock& clock_;
  std::atomic<void*> owner_{nullptr};
  CallbackSlots<IRunableThread> callbacks_;

  mutable std::mutex queueMutex_;  // guards both lists and the timer's state
  std::condition_variable timerWake_;
  std::list<TimedJob> timedJobs_;
  std::deque<std::unique_ptr<BaseRunable>> readyJobs_;
  bool timerStopRequested_ = false;
  bool timerWakeRequested_ = false;
  std::uint64_t timerWalks_ = 0;
  std::thread timer_;

  WorkerControl worker_{"RunableThread::Start"};
};

}  // namespace threads
