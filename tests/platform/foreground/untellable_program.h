#pragma once
// A program whose window's program the watcher cannot tell, as the system makes one: on Windows a
// process that does not tell its executable (the watcher is given the system's refusal for it), on
// X11 a window without _NET_WM_PID.
#include <memory>
#include <string>

#include "foreground_programs/program_windows.h"
#include "platform/foreground.h"

namespace fgtest {

struct UntellableProgram {
  std::unique_ptr<platform::ForegroundWatcher> ownWatcher;  // where the test needs a watcher of its own
  platform::ForegroundWatcher* watcher = nullptr;           // the watcher to watch with
  int index = -1;                                           // the program's index in `windows`
};

// Starts the program in `windows`; index -1 with the reason in `error` when it cannot.
UntellableProgram StartUntellableProgram(ProgramWindows& windows, std::string& error);

}  // namespace fgtest
