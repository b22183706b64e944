#pragma once
// The Linux deadline wait: a futex wait with an absolute CLOCK_MONOTONIC timeout (the clock behind
// std::chrono::steady_clock) on a word that Interrupt sets and wakes. Fine timing is a timer slack
// of 1 us for the waiting thread (with the default 50 us every wake-up may come that much late)
// and a short scheduler slice (see fine_timing_hold.h).
//
// Even so a wake-up comes tens of microseconds late, more after a long sleep (the processor has to
// leave its idle state first, a virtual one its host's), far more while the machine or a virtual
// machine's host is busy. Spinning the last stretch before the deadline hides that lateness, at
// the price of a processor held busy for the stretch, every step. So the wait spins only what
// punctuality needs, and never more than a budget:
//  - the futex wait's recent wake-ups are kept (see wake_lateness.h); only what their 99th
//    percentile exceeds the aimed lateness by is spun (none while they come in time by themselves);
//  - the aim is half of what a step may be late at its 99th percentile (200 us), leaving the other
//    half to the estimate's error;
//  - the spin is at most 16 us plus 1/160 of the sleep: with the wake-up's own processor time a
//    wait costs at most about 4% of a processor on 1 ms steps and under 1% on 16 ms steps and
//    longer, whatever the lateness. A lateness beyond the budget is not spun away: on a busy machine
//    a long spin does not help either, as the spinning thread is taken off the processor in turn.
// The thread wakes once per wait, and nothing is spent while no macro plays.
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/deadline_wait.h"
#include "platform/linux/wake_lateness.h"

namespace platform::linux_backend {

// How much of the time before a deadline is spun instead of slept.
struct SpinLimits {
  // The lateness left to the futex wait at its 99th percentile: what its recent wake-ups exceed it
  // by is spun.
  std::chrono::microseconds aimedLateness{100};
  // The most a wait spins: budgetBase plus 1/budgetSleepDivisor of its sleep (0: none of it).
  std::chrono::microseconds budgetBase{16};
  int budgetSleepDivisor = 160;
  // Spun before every deadline whatever the lateness, beyond the budget.
  std::chrono::microseconds minimum{0};

  // Sleeps through every wait up to its deadline.
  static constexpr SpinLimits None() { return {std::chrono::microseconds(0), std::chrono::microseconds(0), 0}; }
};

class LinuxDeadlineWait final : public DeadlineWait {
 public:
  // The timer slack and the scheduler slice that HoldFineTimers sets, in nanoseconds.
  static constexpr long kFineTimerSlackNs = 1000;
  static constexpr std::uint64_t kFineSchedulerSliceNs = 300'000;
  // The share of the wake-ups whose lateness is aimed at, in thousandths.
  static constexpr int kAimedPermille = 990;

  explicit LinuxDeadlineWait(SpinLimits limits = {});

  // How long before `deadline` the spin begins for a wait that starts at `now`, when the recent
  // wake-ups' 99th percentile was `lateness`.
  std::chrono::nanoseconds SpinLeadFor(std::chrono::steady_clock::time_point now,
                                       std::chrono::steady_clock::time_point deadline,
                                       std::chrono::nanoseconds lateness) const;

  // How late the futex waits have woken lately; for the waiting thread.
  const WakeLateness& RecentWakeLateness() const { return wakeLateness_; }

  Result WaitUntil(std::chrono::steady_clock::time_point deadline) override;
  void Interrupt() override;
  void Reset() override;
  // Sets the calling thread's timer slack and scheduler slice, restoring the previous ones when
  // the hold goes away.
  std::unique_ptr<FineTimerHold> HoldFineTimers() override;

 private:
  // Sleeps towards `deadline` for at most a millisecond with clock_nanosleep: the wait used once
  // the kernel has refused a futex wait.
  static void SleepSlice(std::chrono::steady_clock::time_point deadline);

  const SpinLimits limits_;
  alignas(4) std::uint32_t interrupted_ = 0;  // the futex word: 1 while the interrupt is raised
  bool futexRefused_ = false;                 // only touched by the waiting thread
  WakeLateness wakeLateness_;                 // only touched by the waiting thread
};

}  // namespace platform::linux_backend
