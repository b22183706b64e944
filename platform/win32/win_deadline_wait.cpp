#include "platform/win32/win_deadline_wait.h"

#include <cstdint>
#include <ratio>
#include <utility>

#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"

#include <mmsystem.h>

// Missing from older MinGW-w64 headers; the value is the system's.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform::win32 {
namespace {

using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;  // 100 ns, the timer's unit

class TimerPeriodHold final : public FineTimerHold {
 public:
  TimerPeriodHold() : begun_(timeBeginPeriod(1) == TIMERR_NOERROR) {
    if (!begun_) support::LogFailure("timeBeginPeriod(1)", "the system refused a 1 ms timer period");
  }
  ~TimerPeriodHold() override {
    if (begun_) timeEndPeriod(1);
  }
  TimerPeriodHold(const TimerPeriodHold&) = delete;
  TimerPeriodHold& operator=(const TimerPeriodHold&) = delete;

 private:
  bool begun_;
};

UniqueHandle CreateTimer(DWORD flags) {
  return UniqueHandle(CreateWaitableTimerExW(nullptr, nullptr, flags, TIMER_ALL_ACCESS));
}

}  // namespace

WinDeadlineWait::WinDeadlineWait(UniqueHandle interrupt, UniqueHandle timer, TimerKind kind)
    : interrupt_(std::move(interrupt)), timer_(std::move(timer)), kind_(kind) {}

std::unique_ptr<WinDeadlineWait> WinDeadlineWait::Create(bool allowHighResolution) {
  UniqueHandle interrupt(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!interrupt) {
    LogWinFailure("CreateEventW(deadline wait interrupt)", GetLastError());
    return nullptr;
  }
  if (allowHighResolution) {
    // Refused (ERROR_INVALID_PARAMETER) by systems older than Windows 10 1803.
    if (UniqueHandle timer = CreateTimer(CREATE_WAITABLE_TIMER_HIGH_RESOLUTION)) {
      return std::unique_ptr<WinDeadlineWait>(
          new WinDeadlineWait(std::move(interrupt), std::move(timer), TimerKind::kHighResolution));
    }
  }
  UniqueHandle timer = CreateTimer(0);
  if (!timer) {
    LogWinFailure("CreateWaitableTimerExW(deadline wait)", GetLastError());
    return nullptr;
  }
  return std::unique_ptr<WinDeadlineWait>(
      new WinDeadlineWait(std::move(interrupt), std::move(timer), TimerKind::kSystemPeriod));
}

DeadlineWait::Result WinDeadlineWait::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (WaitForSingleObject(interrupt_.get(), 0) == WAIT_OBJECT_0) return Result::kInterrupted;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return Result::kReached;

    // Relative due times (negative) follow the system's interrupt time, not the wall clock. The
    // timer and the steady clock may round differently: the loop only ends once the clock agrees.
    LARGE_INTEGER due;
    due.QuadPart = -std::chrono::ceil<Ticks>(deadline - now).count();
    DWORD waited = WAIT_FAILED;
    if (SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE)) {
      const HANDLE handles[] = {interrupt_.get(), timer_.get()};  // the interrupt first: it wins a tie
      waited = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    } else {
      LogWinFailure("SetWaitableTimer", GetLastError());
      const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
      waited = WaitForSingleObject(interrupt_.get(), static_cast<DWORD>(milliseconds.count()));
    }
    if (waited == WAIT_OBJECT_0) return Result::kInterrupted;
    if (waited == WAIT_FAILED) {
      LogWinFailure("waiting for the deadline wait's timer or interrupt", GetLastError());
      Sleep(1);  // no busy loop while the system refuses waits
    }
  }
}

void WinDeadlineWait::Interrupt() {
  if (!SetEvent(interrupt_.get())) LogWinFailure("SetEvent(deadline wait interrupt)", GetLastError());
}

void WinDeadlineWait::Reset() {
  if (!ResetEvent(interrupt_.get())) LogWinFailure("ResetEvent(deadline wait interrupt)", GetLastError());
}

std::unique_ptr<FineTimerHold> WinDeadlineWait::HoldFineTimers() {
  if (kind_ == TimerKind::kHighResolution) return nullptr;
  return std::make_unique<TimerPeriodHold>();
}

}  // namespace platform::win32

namespace platform {
std::unique_ptr<DeadlineWait> CreateDeadlineWait() { return win32::WinDeadlineWait::Create(); }
}  // namespace platform
