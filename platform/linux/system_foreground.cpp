// The program in front under X11, for whichever backend is linked.
#include "platform/foreground.h"
#include "platform/linux/x11_foreground_watcher.h"

namespace platform {

ForegroundWatcher& SystemForegroundWatcher() {
  static linux_backend::X11ForegroundWatcher watcher;
  return watcher;
}

}  // namespace platform
