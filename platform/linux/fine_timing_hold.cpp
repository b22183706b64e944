#include "platform/linux/fine_timing_hold.h"

#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/logger.h"

namespace platform::linux_backend {
namespace {

bool WriteSchedulerAttributes(const SchedulerAttributes& attributes, const char* operation) {
  if (syscall(SYS_sched_setattr, 0, &attributes, 0) == 0) return true;
  support::LogFailure(operation, std::strerror(errno));
  return false;
}

}  // namespace

bool ReadSchedulerAttributes(SchedulerAttributes& attributes) {
  attributes = SchedulerAttributes{};
  if (syscall(SYS_sched_getattr, 0, &attributes, sizeof attributes, 0) == 0) return true;
  support::LogFailure("sched_getattr", std::strerror(errno));
  return false;
}

FineTimingHold::FineTimingHold(long slackNs, std::uint64_t sliceNs) {
  const int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
  if (slack < 0) {
    support::LogFailure("prctl(PR_GET_TIMERSLACK)", std::strerror(errno));
  } else {
    previousSlack_ = slack;
  }
  if (prctl(PR_SET_TIMERSLACK, slackNs, 0, 0, 0) != 0) {
    support::LogFailure("prctl(PR_SET_TIMERSLACK)", std::strerror(errno));
  }

  if (!ReadSchedulerAttributes(previousAttributes_)) return;
  if (previousAttributes_.policy != SCHED_OTHER && previousAttributes_.policy != SCHED_BATCH) return;
  SchedulerAttributes fine = previousAttributes_;
  fine.size = sizeof fine;
  fine.runtime = sliceNs;
  sliceSet_ = WriteSchedulerAttributes(fine, "sched_setattr(scheduler slice)");
}

FineTimingHold::~FineTimingHold() {
  if (sliceSet_) {
    SchedulerAttributes previous = previousAttributes_;
    previous.size = sizeof previous;
    WriteSchedulerAttributes(previous, "sched_setattr restoring the previous scheduler slice");
  }
  if (previousSlack_ > 0 && prctl(PR_SET_TIMERSLACK, previousSlack_, 0, 0, 0) != 0) {
    support::LogFailure("prctl(PR_SET_TIMERSLACK) restoring the previous slack", std::strerror(errno));
  }
}

}  // namespace platform::linux_backend
