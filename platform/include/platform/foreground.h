#pragma once
// The program in front: which program owns the window that has the keyboard focus, told every
// time that changes. Profiles switch by it.
//
// Contract of a watcher:
// - Available() says whether it can tell the program in front on this system and session. When
//   it cannot (a Wayland session, no display, a backend without a watcher), Watch() still returns
//   a subscription but never calls back, and Unavailable() says why; nothing is guessed.
// - Watch() calls `onChange` once soon with the program in front at that moment (when it can be
//   told), then on every change of the focused window's program, from any thread, one call at a
//   time. The same program may be reported twice in a row; callers ignore repeats. A window whose
//   program cannot be told (no rights to ask, a window without a process) is not reported: the
//   last program reported stays in force, and the backend logs it once. When no window has the
//   focus at all (the bare desktop of some X11 window managers), an empty ForegroundProgram is
//   reported: no program is in front.
// - `onChange` must return quickly: it may run on a thread that the system's event delivery waits
//   for. Hand the work on to another thread.
// - Destroying the subscription stops the calls; once its destructor has returned, `onChange` is
//   not running and will not run again. It must not be destroyed from inside `onChange`.
// - Watching costs no wake-ups while the focus stays where it is (event-driven, no polling).
#include <functional>
#include <memory>
#include <string>

#include "platform/subscription.h"

namespace platform {

struct ForegroundProgram {
  std::wstring executablePath;  // full path of the program's executable, as the system names it
  std::wstring windowClass;     // the window's class (X11: the class half of WM_CLASS); empty where
                                // the system has none
  bool isThisProgram = false;   // the window is one of this program's own

  friend bool operator==(const ForegroundProgram&, const ForegroundProgram&) = default;
};

// Why the program in front cannot be told.
enum class ForegroundUnavailable {
  kNone,           // it can
  kNotBuilt,       // this build has no watcher for the system
  kNoWindowSystem, // no window system the watcher knows (a Wayland session, or no display at all)
  kFailed,         // the watcher could not be set up (logged with the system's error)
};

class ForegroundWatcher {
 public:
  virtual ~ForegroundWatcher() = default;
  virtual bool Available() const = 0;
  virtual ForegroundUnavailable Unavailable() const = 0;
  virtual std::unique_ptr<Subscription> Watch(std::function<void(const ForegroundProgram&)> onChange) = 0;
};

// The watcher of the backend this program is linked with.
ForegroundWatcher& DefaultForegroundWatcher();

// The watcher of the window system this program runs on (the desktop on Windows, X11 on Linux),
// whichever backend is linked: the real backends' default, and the demo's when it can tell. Linked
// from kb_platform_system_foreground.
ForegroundWatcher& SystemForegroundWatcher();

}  // namespace platform
