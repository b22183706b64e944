#pragma once
// A worker thread that calls one callback over and over until it is told to stop (the macro
// playback thread).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/deadline_wait.h"
#include "support/clock.h"
#include "threads/callback_slots.h"
#include "threads/thread_callback.h"
#include "threads/worker_control.h"
#include "threads/worker_thread.h"

namespace threads {

// What the callbacks of an EasyThread see of it.
class IEasyThread : public IWorkerThread {
 public:
  // Waits until `clock` shows `deadline`, cut short by a stop: kSleepStopRequested, or
  // kSleepTimedOut never before the deadline. Finer than a millisecond where the thread has a
  // deadline wait.
  virtual std::uint32_t SleepUntil(const support::Clock& clock, support::Clock::TimePoint deadline) = 0;
  // While the hold lives, the calling thread's waits are as fine as the system allows (held while
  // a macro plays). Null when nothing needs holding.
  virtual std::unique_ptr<platform::FineTimerHold> HoldFineTimers() = 0;
};

class EasyThread final : public IEasyThread {
 public:
  template <typename Thread>
  using ICallback = ThreadCallback<Thread>;
  template <typename Thread, typename Owner>
  using Callback = MemberThreadCallback<Thread, Owner>;

  // `deadlineWait` serves SleepUntil (a stop interrupts it); without one SleepUntil is the standard
  // library's timed wait.
  explicit EasyThread(std::unique_ptr<platform::DeadlineWait> deadlineWait = nullptr);
  // Stops the worker and waits for it. Must not be destroyed from its own callbacks.
  ~EasyThread() override;
  EasyThread(const EasyThread&) = delete;
  EasyThread& operator=(const EasyThread&) = delete;

  // Callbacks may be replaced at any time; a running call finishes on the callback it started with.
  void SetStartCallback(std::unique_ptr<ICallback<IEasyThread>> callback);
  void SetRunCallback(std::unique_ptr<ICallback<IEasyThread>> callback);
  void SetEndCallback(std::unique_ptr<ICallback<IEasyThread>> callback);

  // Starts the worker with `owner` as the callbacks' second argument. While a worker runs, only
  // the owner changes. 0 on success, 1 when the thread could not be created.
  int Start(void* owner);
  // Asks the worker to stop and waits until it has ended (at once when idle). Called from a
  // callback, it only asks: the worker ends after that callback returns.
  void Stop();
  // True while a worker has been started and has not finished.
  bool IsRunning() const;

  std::uint32_t Sleep(std::uint32_t milliseconds) override;
  std::uint32_t SleepUntil(const support::Clock& clock, support::Clock::TimePoint deadline) override;
  std::unique_ptr<platform::FineTimerHold> HoldFineTimers() override { return control_.HoldFineTimers(); }
  bool IsStopRequested() const override { return control_.IsStopRequested(); }

 private:
  std::atomic<void*> owner_{nullptr};
  CallbackSlots<IEasyThread> callbacks_;
  WorkerControl control_;
};

}  // namespace threads
