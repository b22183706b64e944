#include "untellable_program.h"

namespace fgtest {

UntellableProgram StartUntellableProgram(ProgramWindows& windows, std::string& error) {
  UntellableProgram untellable;
  untellable.index = windows.Start("foreground_program_b", {"--no-pid"}, error);
  untellable.watcher = &platform::SystemForegroundWatcher();
  return untellable;
}

}  // namespace fgtest
