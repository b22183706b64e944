#include "playback/step_runner.h"

#include "threads/worker_control.h"

namespace playback {

StepRunner::StepRunner(hostdrv::VHidev& device, const support::Clock& clock) : device_(device), clock_(clock) {}

std::chrono::milliseconds StepRunner::DelayAfter(const model::MacroStep& step) {
  const auto delay = static_cast<std::uint32_t>(static_cast<int>(step.delay));
  return std::chrono::milliseconds(delay == 0 ? 1 : delay);
}

std::size_t StepRunner::Play(const std::vector<model::MacroStep>& steps, PassCount passes,
                             threads::IEasyThread& thread) {
  if (passes.IsNone()) return 0;
  if (steps.empty()) {
    // Nothing to send: a finite playback is done at once, an endless one lasts until it is
    // stopped, waiting instead of spinning.
    if (passes.endless) {
      while (!thread.IsStopRequested()) thread.Sleep(kEmptyPassWaitMs);
    }
    return 0;
  }

  const auto fineTimers = thread.HoldFineTimers();  // until the last step's wait is over
  std::size_t sent = 0;
  std::optional<support::Clock::TimePoint> due;  // the next step's, once the first has gone out
  std::uint32_t left = passes.passes;
  for (;;) {
    if (!passes.endless) {
      if (left == 0) break;
      --left;
    }
    if (thread.IsStopRequested()) break;
    for (const model::MacroStep& step : steps) {
      if (thread.IsStopRequested()) return sent;
      ++sent;
      if (!SendAndWait(step, due, thread)) return sent;
    }
  }
  return sent;
}

bool StepRunner::SendAndWait(const model::MacroStep& step, std::optional<support::Clock::TimePoint>& due,
                             threads::IEasyThread& thread) {
  device_.SetKeyboardUsage(static_cast<std::uint8_t>(step.code & 0xFF), step.state != 0);

  const support::Clock::TimePoint now = clock_.Now();
  const std::chrono::milliseconds delay = DelayAfter(step);
  if (!due) due = now;  // the schedule starts when the first step has gone out
  *due += delay;
  if (now - *due > kMaxCatchUp) due = now + delay;
  if (*due <= now) return true;  // behind schedule: the next step is already due
  return thread.SleepUntil(clock_, *due) != threads::kSleepStopRequested;
}

void StepRunner::ReleasePressed(const std::vector<model::MacroStep>& steps) {
  for (const model::MacroStep& step : steps) {
    if (step.state != 0) device_.SetKeyboardUsage(static_cast<std::uint8_t>(step.code & 0xFF), false);
  }
}

}  // namespace playback
