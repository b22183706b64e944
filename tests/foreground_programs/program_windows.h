#pragma once
// Starts the small programs of this folder (foreground_program_*) and brings their windows, or a
// window of the calling process, to the front, for the tests and the benchmark of switching by the
// program in front. On Windows a program brings itself to the front when asked (and says when it
// has); on X11 the window manager is asked, as a taskbar asks it (a _NET_ACTIVE_WINDOW message to
// the root window), and the change shows in the root window's properties.
//
// The programs end when this object goes (their standard input closes), also when the test
// process dies.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fgtest {

// Indexes of the three windows the tests bring to the front in turn.
struct ThreeWindows {
  int a = -1;    // foreground_program_a
  int b = -1;    // foreground_program_b
  int own = -1;  // the window of this process
};

class ProgramWindows {
 public:
  ProgramWindows();
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  // Starts the program `name` (foreground_program_a, ...) from the folder of the running
  // executable, with `arguments`, and waits until its window exists. Its index, or -1 with the
  // reason in `error`.
  int Start(const std::string& name, const std::vector<std::string>& arguments, std::string& error);
  // A window of this process (on a thread of its own on Windows), as the program's own windows are.
  // Its index, or -1 with the reason in `error`.
  int StartOwnWindow(std::string& error);
  // Programs a and b and a window of this process; nothing, with the reason in `error`, when one
  // cannot be started.
  std::optional<ThreeWindows> StartThreeWindows(std::string& error);

  // The full path of program `index`'s executable (this process's for the own window).
  std::filesystem::path Executable(int index) const;
  // Asks for window `index` to come to the front. Windows: returns once the program has asked the
  // system. X11: returns once the window manager has brought it.
  bool BringToFront(int index);
#ifdef _WIN32
  std::uint64_t Window(int index) const;
  // Moves program `index`'s window into window `parent` as its child (as a UWP app's frame holds it).
  bool MoveInto(int index, std::uint64_t parent);
#endif

  struct Program;
  struct Desktop;

 private:
  std::vector<std::unique_ptr<Program>> programs_;
  std::unique_ptr<Desktop> desktop_;
};

}  // namespace fgtest
