#pragma once
// Which program owns an X11 window, from what the window says of itself: _NET_WM_PID, the process
// that made it, whose executable /proc/<pid>/exe names; WM_CLIENT_MACHINE, the machine it runs on
// (a process id of another machine names nothing here); and WM_CLASS, whose class half is the
// window's class. No X calls here: the watcher reads the properties (x11_foreground_watcher.h).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foreground.h"

namespace platform::linux_backend {

// The properties of a window that tell its program, as stored.
struct X11WindowFacts {
  std::optional<std::uint32_t> pid;          // _NET_WM_PID
  std::string wmClass;                       // WM_CLASS: "<instance>\0<class>\0"
  std::optional<std::string> clientMachine;  // WM_CLIENT_MACHINE
};

struct X11WindowProgram {
  enum class Outcome {
    kTold,
    kNoProcess,     // the window names no process (_NET_WM_PID missing)
    kOtherMachine,  // its process runs on another machine (a remote X client)
    kNotTold,       // its process's executable cannot be read (another user's program, ended; `error`)
  };
  Outcome outcome = Outcome::kNoProcess;
  ForegroundProgram program;  // kTold
  int error = 0;              // kNotTold: errno of the read
};

// Reads the executable of process `pid`: its path, or nothing with errno in `error`.
using ExecutableReader = std::function<std::optional<std::string>(std::uint32_t pid, int& error)>;
// /proc/<pid>/exe; a program whose file was replaced or removed since it started (an upgrade)
// keeps the path it was started from.
std::optional<std::string> ReadProcessExecutable(std::uint32_t pid, int& error);

// The program of a window with these facts, seen from this process (`ownPid` on `ownHost`).
X11WindowProgram ProgramOfWindow(const X11WindowFacts& facts, std::uint32_t ownPid, std::string_view ownHost,
                                 const ExecutableReader& readExecutable);

// The class half of a WM_CLASS value (Latin-1, as X stores it); empty when it has none.
std::wstring ClassOfWmClass(std::string_view wmClass);

}  // namespace platform::linux_backend
