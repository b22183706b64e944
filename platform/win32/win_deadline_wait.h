#pragma once
// The Windows deadline wait: a waitable timer set to the time left, waited on together with a
// manual-reset interrupt event. A high-resolution timer (CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
// Windows 10 1803 and later) is not bound to the system timer period; where the system has none,
// an ordinary timer is used and HoldFineTimers sets the system timer period to 1 ms.
#include <chrono>
#include <memory>

#include "platform/deadline_wait.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

class WinDeadlineWait final : public DeadlineWait {
 public:
  enum class TimerKind { kHighResolution, kSystemPeriod };

  // Null when the system refused the event or the timer (logged). Without `allowHighResolution`
  // the ordinary timer is taken even where a high-resolution one exists.
  static std::unique_ptr<WinDeadlineWait> Create(bool allowHighResolution = true);

  Result WaitUntil(std::chrono::steady_clock::time_point deadline) override;
  void Interrupt() override;
  void Reset() override;
  // timeBeginPeriod(1) until the hold goes away for an ordinary timer; null for a high-resolution one.
  std::unique_ptr<FineTimerHold> HoldFineTimers() override;

  TimerKind Kind() const { return kind_; }

 private:
  WinDeadlineWait(UniqueHandle interrupt, UniqueHandle timer, TimerKind kind);

  UniqueHandle interrupt_;
  UniqueHandle timer_;
  TimerKind kind_;
};

}  // namespace platform::win32
