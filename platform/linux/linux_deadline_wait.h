#pragma once
// The Linux deadline wait: a futex wait with an absolute CLOCK_MONOTONIC timeout (the clock behind
// std::chrono::steady_clock) on a word that Interrupt sets and wakes. Fine timing is a timer slack
// of 1 us for the waiting thread: with the default 50 us every wake-up may come that much late.
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/deadline_wait.h"

namespace platform::linux_backend {

class LinuxDeadlineWait final : public DeadlineWait {
 public:
  // The timer slack that HoldFineTimers sets, in nanoseconds.
  static constexpr long kFineTimerSlackNs = 1000;

  Result WaitUntil(std::chrono::steady_clock::time_point deadline) override;
  void Interrupt() override;
  void Reset() override;
  // Sets the calling thread's timer slack to kFineTimerSlackNs, restoring the previous one when
  // the hold goes away.
  std::unique_ptr<FineTimerHold> HoldFineTimers() override;

 private:
  // Sleeps towards `deadline` for at most a millisecond with clock_nanosleep: the wait used once
  // the kernel has refused a futex wait.
  static void SleepSlice(std::chrono::steady_clock::time_point deadline);

  alignas(4) std::uint32_t interrupted_ = 0;  // the futex word: 1 while the interrupt is raised
  bool futexRefused_ = false;                 // only touched by the waiting thread
};

}  // namespace platform::linux_backend
