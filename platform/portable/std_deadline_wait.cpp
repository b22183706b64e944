#include "platform/portable/std_deadline_wait.h"

namespace platform::portable {

DeadlineWait::Result StdDeadlineWait::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  // With a predicate, wait_until reports a timeout only once the clock has reached the deadline.
  const bool interrupted = interruptRaised_.wait_until(lock, deadline, [&] { return interrupted_; });
  return interrupted ? Result::kInterrupted : Result::kReached;
}

void StdDeadlineWait::Interrupt() {
  {
    std::scoped_lock lock(mutex_);
    interrupted_ = true;
  }
  interruptRaised_.notify_all();
}

void StdDeadlineWait::Reset() {
  std::scoped_lock lock(mutex_);
  interrupted_ = false;
}

}  // namespace platform::portable
