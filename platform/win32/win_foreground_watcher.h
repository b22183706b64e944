#pragma once
// The program in front on Windows: an out-of-context WinEvent hook on EVENT_SYSTEM_FOREGROUND, on a
// thread of its own that sleeps in its message loop until the system delivers an event (no
// polling). Each change of the foreground window is told as the program that owns it
// (window_program.h).
//
// Under Wine, which raises no foreground events, the thread looks at the foreground window every
// 20 ms between messages instead (on Windows it never wakes up for nothing).
//
// A window whose program cannot be told is not reported, so the last program told stays in force;
// each such process is logged once. A UWP frame in front without its app's window yet is told as
// soon as the app's window is moved into it (EVENT_OBJECT_PARENTCHANGE, hooked only meanwhile).
#include <atomic>
#include <functional>
#include <memory>

#include "platform/foreground.h"
#include "platform/win32/window_program.h"

namespace platform::win32 {

class WinForegroundWatcher final : public ForegroundWatcher {
 public:
  // `imagePathOf` tells a process's executable (tests stand in for the system's answer).
  explicit WinForegroundWatcher(ImagePathQuery imagePathOf = &QueryImagePath);

  // Available until a hook could not be set (then kFailed, logged with the system's error).
  bool Available() const override;
  ForegroundUnavailable Unavailable() const override;
  std::unique_ptr<Subscription> Watch(std::function<void(const ForegroundProgram&)> onChange) override;

 private:
  ImagePathQuery imagePathOf_;
  std::shared_ptr<std::atomic<bool>> failed_;
};

}  // namespace platform::win32
