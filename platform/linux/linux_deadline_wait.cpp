#include "platform/linux/linux_deadline_wait.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/linux/fine_timing_hold.h"
#include "support/logger.h"

namespace platform::linux_backend {
namespace {

timespec ToTimespec(std::chrono::steady_clock::time_point time) {
  const auto sinceEpoch = time.time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds);
  return timespec{static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

void RelaxWhileSpinning() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

long Futex(std::uint32_t* word, int operation, std::uint32_t value, const timespec* timeout, std::uint32_t mask) {
  return syscall(SYS_futex, word, operation | FUTEX_PRIVATE_FLAG, value, timeout, nullptr, mask);
}

}  // namespace

LinuxDeadlineWait::LinuxDeadlineWait(SpinLimits limits) : limits_(limits) {}

std::chrono::nanoseconds LinuxDeadlineWait::SpinLeadFor(std::chrono::steady_clock::time_point now,
                                                        std::chrono::steady_clock::time_point deadline,
                                                        std::chrono::nanoseconds lateness) const {
  const std::chrono::nanoseconds sleep = std::max(std::chrono::nanoseconds(0), deadline - now);
  std::chrono::nanoseconds budget = limits_.budgetBase;
  if (limits_.budgetSleepDivisor > 0) budget += sleep / limits_.budgetSleepDivisor;
  const std::chrono::nanoseconds wanted = std::max(std::chrono::nanoseconds(0), lateness - limits_.aimedLateness);
  return std::max<std::chrono::nanoseconds>(limits_.minimum, std::min(wanted, budget));
}

DeadlineWait::Result LinuxDeadlineWait::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  const std::chrono::steady_clock::time_point spinFrom =
      deadline - SpinLeadFor(std::chrono::steady_clock::now(), deadline, wakeLateness_.Percentile(kAimedPermille));
  const timespec at = ToTimespec(spinFrom);
  const std::atomic_ref<std::uint32_t> interrupted(interrupted_);
  for (;;) {
    if (interrupted.load() != 0) return Result::kInterrupted;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return Result::kReached;
    if (now >= spinFrom) {
      RelaxWhileSpinning();
      continue;
    }
    if (futexRefused_) {
      SleepSlice(spinFrom);
      continue;
    }
    // Sleeps only while the word is still 0, so an Interrupt between the load and here is not lost.
    if (Futex(&interrupted_, FUTEX_WAIT_BITSET, 0, &at, FUTEX_BITSET_MATCH_ANY) == 0) continue;
    const int error = errno;
    if (error == ETIMEDOUT) {
      wakeLateness_.Observe(std::chrono::steady_clock::now() - spinFrom);
      continue;
    }
    if (error == EAGAIN || error == EINTR) continue;
    support::LogFailure("futex(FUTEX_WAIT_BITSET)", std::strerror(error));
    futexRefused_ = true;
  }
}

void LinuxDeadlineWait::SleepSlice(std::chrono::steady_clock::time_point deadline) {
  const auto sliceEnd = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(1));
  const timespec at = ToTimespec(sliceEnd);
  const int error = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
  if (error != 0 && error != EINTR) support::LogFailure("clock_nanosleep", std::strerror(error));
}

void LinuxDeadlineWait::Interrupt() {
  std::atomic_ref<std::uint32_t>(interrupted_).store(1);
  if (Futex(&interrupted_, FUTEX_WAKE, INT_MAX, nullptr, 0) < 0) {
    support::LogFailure("futex(FUTEX_WAKE)", std::strerror(errno));
  }
}

void LinuxDeadlineWait::Reset() { std::atomic_ref<std::uint32_t>(interrupted_).store(0); }

std::unique_ptr<FineTimerHold> LinuxDeadlineWait::HoldFineTimers() {
  return std::make_unique<FineTimingHold>(kFineTimerSlackNs, kFineSchedulerSliceNs);
}

}  // namespace platform::linux_backend
