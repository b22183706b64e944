#pragma once
// A worker thread that calls one callback over and over until it is told to stop (the macro
// playback thread).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "threads/callback_slots.h"
#include "threads/thread_callback.h"
#include "threads/user_data.h"
#include "threads/worker_control.h"

namespace threads {

// What the callbacks of an EasyThread see of it.
class IEasyThread {
 public:
  virtual ~IEasyThread() = default;

  // The data mutex: free for the callbacks and their callers, never taken by the thread itself.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  // Waits up to `milliseconds`, cut short by Stop: kSleepStopRequested or kSleepTimedOut.
  // kSleepInfinite waits for the stop alone (a run callback with nothing to do idles this way
  // instead of polling).
  virtual std::uint32_t Sleep(std::uint32_t milliseconds) = 0;
  // True when the calling thread is not the worker allowed to run (a stop was asked for).
  virtual bool IsStopRequested() const = 0;
  // The data mutex, for std::scoped_lock.
  virtual std::mutex& DataMutex() = 0;

  // Records (pointer, value) on the first call with a non-null pointer; later calls change nothing.
  void SetUserData(void* pointer, std::int32_t value) { userData_.Set(pointer, value); }
  UserData GetUserData() const { return userData_.Get(); }

 private:
  UserDataSlot userData_;
};

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

  void Lock() override { dataMutex_.lock(); }
  void Unlock() override { dataMutex_.unlock(); }
  std::uint32_t Sleep(std::uint32_t milliseconds) override;
  bool IsStopRequested() const override { return control_.IsStopRequested(); }
  std::mutex& DataMutex() override { return dataMutex_; }

 private:
  std::atomic<void*> owner_{nullptr};
  std::mutex dataMutex_;
  CallbackSlots<IEasyThread> callbacks_;
  WorkerControl control_{"EasyThread::Start"};
};

}  // namespace threads
