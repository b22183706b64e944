#pragma once
// Which program owns a window: its process's executable, the window's class, and whether it is one
// of this program's own windows.
//
// The executable comes from QueryFullProcessImageNameW on a PROCESS_QUERY_LIMITED_INFORMATION
// handle, which most elevated programs grant too; where the system refuses (protected processes),
// the program cannot be told. A UWP app's window in front is a frame of ApplicationFrameHost.exe
// holding the app's own window, of the app's process, as a child: the app inside is the program.
// While the frame holds no such child yet (an app starting or coming back from being minimised
// gets its window moved into the frame a moment later), the program cannot be told either.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foreground.h"
#include "platform/win32/win_api.h"

namespace platform::win32 {

// The full path of process `processId`'s executable; nothing, with the system's error in `error`,
// where the system does not tell it.
using ImagePathQuery = std::function<std::optional<std::wstring>(DWORD processId, DWORD& error)>;
std::optional<std::wstring> QueryImagePath(DWORD processId, DWORD& error);

// Whether `path` names the host of UWP apps' frames (ApplicationFrameHost.exe, letter case ignored).
bool IsAppFrameHost(std::wstring_view path);

struct WindowProgram {
  enum class Outcome {
    kTold,
    kNoProcess,      // the window is gone, or has no process
    kNotTold,        // the system did not tell the executable of `processId` (`error`)
    kAppNotInFrame,  // a UWP frame without its app's window yet
  };
  Outcome outcome = Outcome::kNoProcess;
  ForegroundProgram program;  // kTold
  DWORD processId = 0;        // the process asked
  DWORD error = 0;            // kNotTold
};

WindowProgram ProgramOfWindow(HWND window, const ImagePathQuery& imagePathOf);

}  // namespace platform::win32
