// The program in front on the Windows desktop, for whichever backend is linked.
#include "platform/foreground.h"
#include "platform/win32/win_foreground_watcher.h"

namespace platform {

ForegroundWatcher& SystemForegroundWatcher() {
  static win32::WinForegroundWatcher watcher;
  return watcher;
}

}  // namespace platform
