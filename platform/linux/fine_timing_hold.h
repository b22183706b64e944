#pragma once
// Keeps the calling thread's timing fine while a macro plays, and restores what it changed:
//  - a timer slack of `slackNs` (PR_SET_TIMERSLACK): timed waits end that close to their time;
//  - a scheduler slice of `sliceNs` (sched_setattr's sched_runtime for a normal thread, Linux 6.12
//    and later; older kernels ignore it): the fair scheduler gives a thread with a short slice an
//    early virtual deadline, so on a busy machine its wake-ups preempt longer-running work at once
//    instead of queueing behind it. The thread still runs at its own nice level and policy;
//    real-time threads are left as they are.
// Create and destroy it on the thread it is for.
#include <cstdint>

#include "platform/deadline_wait.h"

namespace platform::linux_backend {

// The kernel's struct sched_attr (glibc's headers of Debian 12 have no declaration).
struct SchedulerAttributes {
  std::uint32_t size;
  std::uint32_t policy;
  std::uint64_t flags;
  std::int32_t nice;
  std::uint32_t priority;
  std::uint64_t runtime;
  std::uint64_t deadline;
  std::uint64_t period;
  std::uint32_t utilMin;
  std::uint32_t utilMax;
};

// The calling thread's scheduler attributes. False (logged) when the kernel refuses.
bool ReadSchedulerAttributes(SchedulerAttributes& attributes);

class FineTimingHold final : public FineTimerHold {
 public:
  FineTimingHold(long slackNs, std::uint64_t sliceNs);
  ~FineTimingHold() override;
  FineTimingHold(const FineTimingHold&) = delete;
  FineTimingHold& operator=(const FineTimingHold&) = delete;

 private:
  long previousSlack_ = 0;  // 0: unknown, left as set
  bool sliceSet_ = false;
  SchedulerAttributes previousAttributes_{};
};

}  // namespace platform::linux_backend
