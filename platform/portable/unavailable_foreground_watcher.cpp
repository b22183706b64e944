#include "platform/portable/unavailable_foreground_watcher.h"

namespace platform::portable {

std::unique_ptr<Subscription> UnavailableForegroundWatcher::Watch(std::function<void(const ForegroundProgram&)>) {
  return std::make_unique<Subscription>();
}

}  // namespace platform::portable
