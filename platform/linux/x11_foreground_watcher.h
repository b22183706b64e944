#pragma once
// The program in front on X11: the window manager names the active window in the root window's
// _NET_ACTIVE_WINDOW; each subscription has a connection and a thread of its own that sleeps in
// poll() until the property changes (PropertyNotify) or the subscription goes, so a focus that
// stays where it is costs no wake-up. The active window's program is told by x11_window_program.h;
// no active window at all (_NET_ACTIVE_WINDOW set to none) is told as an empty program.
//
// Where it cannot tell (X11SessionSupport): a Wayland session, whose compositor tells X clients
// through XWayland only about its X windows, so that a native Wayland program in front would go
// unseen and leave the last X program's profile in force; and a session without a display.
// Nothing is guessed there. A window whose program cannot be told is not reported and is logged
// once.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foreground.h"
#include "platform/linux/x11_window_program.h"

namespace platform::linux_backend {

// Whether this session lets the program in front be told through X11, by its environment
// (`variable` returns a variable's value, null when unset): kNoWindowSystem in a Wayland session
// (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland") and without DISPLAY; else kNone.
ForegroundUnavailable X11SessionSupport(const std::function<const char*(const char*)>& variable);

class X11ForegroundWatcher final : public ForegroundWatcher {
 public:
  // `readExecutable` reads a process's executable (tests stand in for /proc).
  explicit X11ForegroundWatcher(ExecutableReader readExecutable = &ReadProcessExecutable);

  // Decided at the first call, from the environment and a trial connection to the display (a
  // connection that fails is kFailed, logged).
  bool Available() const override;
  ForegroundUnavailable Unavailable() const override;
  std::unique_ptr<Subscription> Watch(std::function<void(const ForegroundProgram&)> onChange) override;

 private:
  ExecutableReader readExecutable_;
  mutable std::once_flag decided_;
  mutable ForegroundUnavailable unavailable_ = ForegroundUnavailable::kNone;
};

}  // namespace platform::linux_backend
