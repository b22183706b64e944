#include "platform/linux/wake_lateness.h"

#include <algorithm>

namespace platform::linux_backend {

void WakeLateness::Observe(std::chrono::nanoseconds lateness) {
  recent_ = std::max(std::max(lateness, std::chrono::nanoseconds(0)), recent_ - recent_ / kFadeDivisor);
}

}  // namespace platform::linux_backend
