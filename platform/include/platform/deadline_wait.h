#pragma once
// Waits to absolute deadlines on the steady clock at the finest resolution the system offers, cut
// short by an interrupt from another thread: the step waits of the macro playback thread.
#include <chrono>
#include <memory>

namespace platform {

// Keeps the timers of the thread that created it at their finest while it lives. Destroy it on
// that thread.
class FineTimerHold {
 public:
  virtual ~FineTimerHold() = default;
};

// One thread waits at a time; Interrupt may come from any thread.
class DeadlineWait {
 public:
  enum class Result { kReached, kInterrupted };

  virtual ~DeadlineWait() = default;

  // Blocks until the steady clock reaches `deadline` (kReached, never earlier) or the interrupt is
  // raised (kInterrupted, at once; also when it was raised before the call).
  virtual Result WaitUntil(std::chrono::steady_clock::time_point deadline) = 0;
  // Raises the interrupt: the current wait and every later one end at once until Reset.
  virtual void Interrupt() = 0;
  // Lowers the interrupt. Only while no thread waits.
  virtual void Reset() = 0;

  // While the hold lives, the calling thread's waits are as fine as the system allows (Linux: a
  // timer slack of 1 us; Windows without high-resolution waitable timers: a 1 ms system timer
  // period). Null when the system needs nothing held.
  virtual std::unique_ptr<FineTimerHold> HoldFineTimers() = 0;
};

// The wait of the backend this program is linked with. Null when the system refused what the wait
// needs (the failure is logged); a thread then falls back to the standard library's timed wait.
std::unique_ptr<DeadlineWait> CreateDeadlineWait();

}  // namespace platform
