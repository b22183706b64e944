#pragma once
// One-operation callbacks run by the worker threads, and the template that binds them to an
// owner object and one of its member functions.
#include <cstdint>

namespace threads {

// Called on a worker thread with that thread's interface and the owner given to its Start.
template <typename Thread>
class ThreadCallback {
 public:
  virtual ~ThreadCallback() = default;
  virtual std::int32_t Call(Thread& thread, void* owner) = 0;
};

// Calls `(boundOwner->*function)(thread, owner)`. Holds the owner, does not own it.
template <typename Thread, typename Owner>
class MemberThreadCallback final : public ThreadCallback<Thread> {
 public:
  using Function = std::int32_t (Owner::*)(Thread& thread, void* owner);

  MemberThreadCallback(Owner* boundOwner, Function function) : boundOwner_(boundOwner), function_(function) {}

  // 0 when no owner or no function is bound, so an empty callback keeps its thread running.
  std::int32_t Call(Thread& thread, void* owner) override {
    if (boundOwner_ == nullptr || function_ == nullptr) return 0;
    return (boundOwner_->*function_)(thread, owner);
  }

 private:
  Owner* boundOwner_;
  Function function_;
};

}  // namespace threads
