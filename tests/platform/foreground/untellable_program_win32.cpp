#include "untellable_program.h"

#include "platform/win32/win_foreground_watcher.h"
#include "foreground_programs/reported_programs.h"

namespace fgtest {

UntellableProgram StartUntellableProgram(ProgramWindows& windows, std::string& error) {
  UntellableProgram untellable;
  untellable.index = windows.Start("foreground_program_b", {}, error);
  if (untellable.index < 0) return untellable;
  const std::filesystem::path refused = windows.Executable(untellable.index);
  // The system's answer, but access denied for this one program (as for a protected process).
  untellable.ownWatcher = std::make_unique<platform::win32::WinForegroundWatcher>(
      [refused](DWORD processId, DWORD& queryError) -> std::optional<std::wstring> {
        std::optional<std::wstring> path = platform::win32::QueryImagePath(processId, queryError);
        platform::ForegroundProgram program;
        if (path) program.executablePath = *path;
        if (path && SameExecutable(program, refused)) {
          queryError = ERROR_ACCESS_DENIED;
          return std::nullopt;
        }
        return path;
      });
  untellable.watcher = untellable.ownWatcher.get();
  return untellable;
}

}  // namespace fgtest
