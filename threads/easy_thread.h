#pragma once
// A worker thread that calls one callback over and over until it is told to stop (the macro
// playback thread).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "threads/callback_slots.h"
#include "threads/thread_callback.h"
#include "threads/worker_control.h"
#include "threads/worker_thread.h"

namespace threads {

// What the callbacks of an EasyThread see of it.
class IEasyThread : public IWorkerThread {};

class EasyThread final : public IEasyThread {
 public:
  template <typename Thread>
  using ICallback = ThreadCallback<Thread>;
  template <typename Thread, typename Owner>
  using Callback = MemberThreadCallback<Thread, Owner>;

  EasyThread();
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
  bool IsStopRequested() const override { return control_.IsStopRequested(); }

 private:
  std::atomic<void*> owner_{nullptr};
  CallbackSlots<IEasyThread> callbacks_;
  WorkerControl control_{"EasyThread::Start"};
};

}  // namespace threads
