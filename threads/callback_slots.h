#pragma once
// The start, run and end callbacks of a worker thread. A callback can be replaced while the
// worker runs: the worker holds its own reference to the one it is calling, so the replaced
// callback lives until that call has returned.
#include <memory>
#include <mutex>
#include <utility>

#include "threads/thread_callback.h"

namespace threads {

template <typename Thread>
class CallbackSlots {
 public:
  using Callback = ThreadCallback<Thread>;
  using Pointer = std::shared_ptr<Callback>;

  void SetStart(std::unique_ptr<Callback> callback) { Replace(start_, std::move(callback)); }
  void SetRun(std::unique_ptr<Callback> callback) { Replace(run_, std::move(callback)); }
  void SetEnd(std::unique_ptr<Callback> callback) { Replace(end_, std::move(callback)); }

  Pointer Start() const { return Get(start_); }
  Pointer Run() const { return Get(run_); }
  Pointer End() const { return Get(end_); }

 private:
  void Replace(Pointer& slot, std::unique_ptr<Callback> callback) {
    Pointer replaced;  // released outside the lock
    std::scoped_lock lock(mutex_);
    replaced = std::exchange(slot, Pointer(std::move(callback)));
  }
  Pointer Get(const Pointer& slot) const {
    std::scoped_lock lock(mutex_);
    return slot;
  }

  mutable std::mutex mutex_;
  Pointer start_;
  Pointer run_;
  Pointer end_;
};

}  // namespace threads
