// The emulated backend waits with the standard library.
#include "platform/deadline_wait.h"
#include "platform/portable/std_deadline_wait.h"

namespace platform {
std::unique_ptr<DeadlineWait> CreateDeadlineWait() { return std::make_unique<portable::StdDeadlineWait>(); }
}  // namespace platform
