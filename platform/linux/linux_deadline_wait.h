#pragma once
// The Linux deadline wait: a futex wait with an absolute CLOCK_MONOTONIC timeout (the clock behind
// std::chrono::steady_clock) on a word that Interrupt sets and wakes. Fine timing is a timer slack
// of 1 us for the waiting thread (with the default 50 us every wake-up may come that much late)
// and a short scheduler slice (see fine_timing_hold.h).
//
// Even so a wake-up comes tens of microseconds late, more after a long sleep on an idle machine
// (the processor has to leave its idle state first, a virtual one its host's) and far more while a
// virtual machine's host is busy. So the futex wait ends a spin lead before the deadline and the
// last stretch is spun, still watching the interrupt. The lead is a fixed base plus what this
// wait's recent wake-ups have shown (a quarter more than the latest of them, see wake_lateness.h);
// that growth is never more than an eighth of the sleep nor kDefaultMaxExtraLead. The thread
// wakes once per wait as before; the spin costs at most the lead in processor time per wait
// (about 2% of a 100 ms step on the worst host), and nothing while no macro plays.
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/deadline_wait.h"
#include "platform/linux/wake_lateness.h"

namespace platform::linux_backend {

class LinuxDeadlineWait final : public DeadlineWait {
 public:
  // The timer slack and the scheduler slice that HoldFineTimers sets, in nanoseconds.
  static constexpr long kFineTimerSlackNs = 1000;
  static constexpr std::uint64_t kFineSchedulerSliceNs = 300'000;
  // How long before the deadline the futex wait ends and the spin begins, at least, and how much
  // longer it may grow from late wake-ups; the growth is also held under 1/kSleepShareDivisor of
  // the sleep, so short steps keep sleeping most of their time.
  static constexpr std::chrono::microseconds kDefaultSpinLead{200};
  static constexpr std::chrono::microseconds kDefaultMaxExtraLead{2000};
  static constexpr int kSleepShareDivisor = 8;

  explicit LinuxDeadlineWait(std::chrono::microseconds spinLead = kDefaultSpinLead,
                             std::chrono::microseconds maxExtraLead = kDefaultMaxExtraLead);

  // How long before `deadline` the spin begins for a wait that starts at `now`, after `recentLateness`.
  std::chrono::nanoseconds SpinLeadFor(std::chrono::steady_clock::time_point now,
                                       std::chrono::steady_clock::time_point deadline,
                                       std::chrono::nanoseconds recentLateness) const;

  // How late the futex waits have woken lately; for the waiting thread.
  std::chrono::nanoseconds RecentWakeLateness() const { return wakeLateness_.Recent(); }

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

  const std::chrono::microseconds spinLead_;
  const std::chrono::microseconds maxExtraLead_;
  alignas(4) std::uint32_t interrupted_ = 0;  // the futex word: 1 while the interrupt is raised
  bool futexRefused_ = false;                 // only touched by the waiting thread
  WakeLateness wakeLateness_;                 // only touched by the waiting thread
};

}  // namespace platform::linux_backend
