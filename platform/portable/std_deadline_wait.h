#pragma once
// The deadline wait of the standard library: a condition variable's wait_until on the steady
// clock. As fine as the system's default timers; for backends without a wait of their own.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/deadline_wait.h"

namespace platform::portable {

class StdDeadlineWait final : public DeadlineWait {
 public:
  Result WaitUntil(std::chrono::steady_clock::time_point deadline) override;
  void Interrupt() override;
  void Reset() override;
  std::unique_ptr<FineTimerHold> HoldFineTimers() override { return nullptr; }

 private:
  std::mutex mutex_;
  std::condition_variable interruptRaised_;
  bool interrupted_ = false;  // guarded by mutex_
};

}  // namespace platform::portable
