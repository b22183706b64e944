#pragma once
// What the callbacks and jobs of a worker thread see of it: a data mutex, a sleep that a stop
// cuts short, the stop request and one user-data slot.
#include <cstdint>
#include <mutex>

#include "threads/user_data.h"

namespace threads {

class IWorkerThread {
 public:
  virtual ~IWorkerThread() = default;

  // The data mutex: free for the callbacks and their callers, never taken by the thread itself.
  void Lock() { dataMutex_.lock(); }
  void Unlock() { dataMutex_.unlock(); }
  // The data mutex, for std::scoped_lock.
  std::mutex& DataMutex() { return dataMutex_; }

  // Waits up to `milliseconds`, cut short by a stop: kSleepStopRequested or kSleepTimedOut.
  // kSleepInfinite waits for the stop alone (a callback with nothing to do idles this way
  // instead of polling).
  virtual std::uint32_t Sleep(std::uint32_t milliseconds) = 0;
  // True when the calling thread is not the worker allowed to run (a stop was asked for).
  virtual bool IsStopRequested() const = 0;

  // Records (pointer, value) on the first call with a non-null pointer; later calls change nothing.
  void SetUserData(void* pointer, std::int32_t value) { userData_.Set(pointer, value); }
  UserData GetUserData() const { return userData_.Get(); }

 private:
  std::mutex dataMutex_;
  UserDataSlot userData_;
};

}  // namespace threads
