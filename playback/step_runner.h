#pragma once
// Plays macro steps on the virtual keyboard's key bitmap, pacing them by their delays.
//
// The schedule starts when the first step has gone out. Each later step's delay is measured from
// the moment the step was due, not from the moment the thread woke up, so the lateness of every
// wake-up does not add up over a long macro. The thread waits
// for that due time itself (an absolute deadline, finer than a millisecond where the thread's wait
// allows), never for less; a stop request cuts the current wait short. The thread holds its timers
// fine while the steps play.
#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "hostdrv/vhidev.h"
#include "model/macro/macro_step.h"
#include "playback/play_mode.h"
#include "support/clock.h"
#include "threads/easy_thread.h"

namespace playback {

class StepRunner {
 public:
  // Behind schedule by more than this (the thread was held up, the machine slept), the schedule
  // restarts from now instead of sending the overdue steps in a burst.
  static constexpr std::chrono::milliseconds kMaxCatchUp{50};
  // An endless playback without steps waits this long (no limit: until it is stopped).
  static constexpr std::uint32_t kEmptyPassWaitMs = threads::kSleepInfinite;

  StepRunner(hostdrv::VHidev& device, const support::Clock& clock);

  // Goes `passes` times through `steps` on the calling playback thread: sets (state nonzero) or
  // clears the bit of usage (code & 0xFF) and sends the keyboard report, then waits the step's
  // delay, 0 counting as 1 ms. Between passes there is no wait beyond the last step's delay.
  // Returns when the passes are done or `thread` is asked to stop. Returns the steps sent.
  std::size_t Play(const std::vector<model::MacroStep>& steps, PassCount passes, threads::IEasyThread& thread);

  // Clears the bit of every press step, in order, sending one keyboard report for each, so no key
  // that the steps may have pressed stays down.
  void ReleasePressed(const std::vector<model::MacroStep>& steps);

  // The wait after a step: its delay read as unsigned milliseconds, 0 counting as 1.
  static std::chrono::milliseconds DelayAfter(const model::MacroStep& step);

 private:
  // Sends one step and waits until the next one is due. False when a stop cut the wait short.
  bool SendAndWait(const model::MacroStep& step, std::optional<support::Clock::TimePoint>& due,
                   threads::IEasyThread& thread);

  hostdrv::VHidev& device_;
  const support::Clock& clock_;
};

}  // namespace playback
