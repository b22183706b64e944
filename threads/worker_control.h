#pragma once
// Start/stop protocol of one worker thread, shared by EasyThread and RunableThread.
//
// The stored worker id says which thread may keep running; a stop clears it and raises a stop
// flag. Everything lives under one mutex with a condition variable, so:
//  - the new thread's id is stored before the thread can look at it (it reads it under the lock
//    that Start holds while creating it), so a new worker always sees its own id;
//  - a stop raised at any moment is seen by the next or the current wait (the flag is tested
//    under the lock the wait releases), never lost between a reset and a wait;
//  - the std::thread is joined by a stopper or by the next Start, never closed by the worker
//    itself, so no one waits on a handle that has gone away.
// A deadline wait given at construction serves SleepUntil: a stop raises its interrupt and a
// Start lowers it before the new worker runs, so a stop is never lost there either.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/deadline_wait.h"

namespace threads {

// Results of an interruptible sleep, with the values of the wait results they stand for.
inline constexpr std::uint32_t kSleepStopRequested = 0x000;  // WAIT_OBJECT_0
inline constexpr std::uint32_t kSleepTimedOut = 0x102;       // WAIT_TIMEOUT
// A sleep of this many milliseconds has no time limit: only a stop ends it (INFINITE).
inline constexpr std::uint32_t kSleepInfinite = 0xFFFFFFFF;

class WorkerControl {
 public:
  enum class StartResult { kStarted, kAlreadyRunning, kFailed };

  // `name` names the operation in the failure log line when a thread cannot be created. Without
  // `deadlineWait`, SleepUntil is the standard library's timed wait.
  explicit WorkerControl(std::string name, std::unique_ptr<platform::DeadlineWait> deadlineWait = nullptr);
  // Stops and joins the worker. Must not run on the worker itself.
  ~WorkerControl();
  WorkerControl(const WorkerControl&) = delete;
  WorkerControl& operator=(const WorkerControl&) = delete;

  // Runs `body` on a new thread unless a worker is running and not stopping. A worker that is
  // already stopping (or has ended by itself) is waited for and joined first, so a start is never
  // swallowed by a thread on its way out. Called on the worker itself, it never starts another.
  StartResult Start(std::function<void()> body);

  // Asks the worker to stop and, unless called on the worker itself, waits until it has ended.
  // Returns at once when no worker runs.
  void Stop();

  // Clears the worker id without raising the stop flag (the worker ends after its current pass).
  void ClearWorkerId();

  // True when the calling thread is not the worker allowed to run.
  bool IsStopRequested() const;

  // Waits up to `duration`, cut short by a stop. kSleepStopRequested or kSleepTimedOut.
  std::uint32_t Sleep(std::chrono::milliseconds duration);
  // Sleep(kSleepInfinite) of the thread classes: waits until a stop is requested. Returns
  // kSleepStopRequested.
  std::uint32_t SleepUntilStopped();
  // Waits until the steady clock reaches `deadline`, cut short by a stop: kSleepStopRequested, or
  // kSleepTimedOut never before the deadline.
  std::uint32_t SleepUntil(std::chrono::steady_clock::time_point deadline);
  // The deadline wait's hold on fine timers for the calling thread; null without one.
  std::unique_ptr<platform::FineTimerHold> HoldFineTimers();

  // Wakes WaitForWork once (new work, a new callback). A wake-up before the wait is kept.
  void Notify();
  // Waits for a Notify or a stop. False when a stop was requested.
  bool WaitForWork();

  // True from a successful Start until the worker's body has returned.
  bool IsRunning() const;

 private:
  void FinishWorker(std::uint64_t generation);

  const std::string name_;
  const std::unique_ptr<platform::DeadlineWait> deadlineWait_;  // may be null
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
  std::thread::id workerId_;
  std::thread::id threadId_;     // id of thread_, kept while it runs and ends
  std::uint64_t generation_ = 0;  // counts started workers
  bool running_ = false;          // the worker of `generation_` has not finished its body
  bool stopRequested_ = false;
  bool notified_ = false;
};

}  // namespace threads
