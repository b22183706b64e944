// How the X11 watcher tells a window's program from its properties, whether a session lets it
// tell at all, and the executable of a process read from /proc (also once its file is gone).
#include "platform/linux/x11_window_program.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "../../common/temp_folder.h"
#include "platform/linux/x11_foreground_watcher.h"

extern char** environ;

namespace platform::linux_backend {
namespace {

using Outcome = X11WindowProgram::Outcome;

TEST(X11WindowProgram, ToldFromThePidOnThisMachineElseNot) {
  const ExecutableReader reader = [](std::uint32_t pid, int& error) -> std::optional<std::string> {
    if (pid == 13) {
      error = EACCES;  // another user's program
      return std::nullopt;
    }
    return "/usr/games/game" + std::to_string(pid);
  };
  const std::string wmClass = std::string("game\0Game Window\0", 17);
  struct Case {
    const char* name;
    X11WindowFacts facts;
    Outcome outcome;
    std::wstring path;
    bool isThisProgram;
    int error;
  };
  const Case cases[] = {
      {"no pid", {std::nullopt, wmClass, "here"}, Outcome::kNoProcess, L"", false, 0},
      {"pid 0", {0u, wmClass, "here"}, Outcome::kNoProcess, L"", false, 0},
      {"other machine", {7u, wmClass, "elsewhere"}, Outcome::kOtherMachine, L"", false, 0},
      {"no machine named", {7u, wmClass, std::nullopt}, Outcome::kTold, L"/usr/games/game7", false, 0},
      {"this machine", {7u, wmClass, "here"}, Outcome::kTold, L"/usr/games/game7", false, 0},
      {"this program", {42u, wmClass, "here"}, Outcome::kTold, L"/usr/games/game42", true, 0},
      {"unreadable", {13u, wmClass, "here"}, Outcome::kNotTold, L"", false, EACCES},
  };
  for (const Case& step : cases) {
    const X11WindowProgram found = ProgramOfWindow(step.facts, 42, "here", reader);
    EXPECT_EQ(found.outcome, step.outcome) << step.name;
    EXPECT_EQ(found.program.executablePath, step.path) << step.name;
    EXPECT_EQ(found.program.windowClass, step.outcome == Outcome::kTold ? L"Game Window" : L"") << step.name;
    EXPECT_EQ(found.program.isThisProgram, step.isThisProgram) << step.name;
    EXPECT_EQ(found.error, step.error) << step.name;
  }
}

TEST(X11WindowProgram, ClassIsTheSecondHalfOfWmClassInLatin1) {
  EXPECT_EQ(ClassOfWmClass(std::string("xterm\0XTerm\0", 12)), L"XTerm");
  EXPECT_EQ(ClassOfWmClass(std::string("xterm\0XTerm", 11)), L"XTerm");
  EXPECT_EQ(ClassOfWmClass(std::string("caf\xe9\0Caf\xe9\0", 10)), L"Caf\u00e9");
  EXPECT_EQ(ClassOfWmClass("xterm"), L"");
  EXPECT_EQ(ClassOfWmClass(""), L"");
}

TEST(X11SessionSupport, WaylandAndNoDisplayCannotTell) {
  using Environment = std::map<std::string, std::string>;
  const std::pair<Environment, ForegroundUnavailable> cases[] = {
      {{{"DISPLAY", ":0"}}, ForegroundUnavailable::kNone},
      {{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}, {"WAYLAND_DISPLAY", ""}}, ForegroundUnavailable::kNone},
      {{}, ForegroundUnavailable::kNoWindowSystem},
      {{{"DISPLAY", ""}}, ForegroundUnavailable::kNoWindowSystem},
      // XWayland: DISPLAY is set, but native Wayland programs are not X windows.
      {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, ForegroundUnavailable::kNoWindowSystem},
      {{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "wayland"}}, ForegroundUnavailable::kNoWindowSystem},
  };
  for (const auto& [environment, expected] : cases) {
    const ForegroundUnavailable found = X11SessionSupport([&environment](const char* name) -> const char* {
      const auto value = environment.find(name);
      return value == environment.end() ? nullptr : value->second.c_str();
    });
    EXPECT_EQ(found, expected) << environment.size() << " variables";
  }
}

TEST(ReadProcessExecutable, NamesTheFileAProcessRunsAlsoOnceRemoved) {
  int error = 0;
  EXPECT_EQ(ReadProcessExecutable(static_cast<std::uint32_t>(getpid()), error),
            std::filesystem::read_symlink("/proc/self/exe").string());

  // A program whose file is removed while it runs (as an upgrade does) keeps its path.
  testsupport::TempFolder folder("kb_exe");
  const std::filesystem::path copy = folder / "sleeper";
  std::filesystem::copy_file("/bin/sleep", copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
  pid_t pid = 0;
  const std::string path = copy.string();
  char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("30"), nullptr};
  ASSERT_EQ(posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ), 0);
  std::filesystem::remove(copy);
  const std::optional<std::string> removed = ReadProcessExecutable(static_cast<std::uint32_t>(pid), error);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(removed, path);

  // A process that is gone: nothing, with the reason.
  EXPECT_EQ(ReadProcessExecutable(static_cast<std::uint32_t>(pid), error), std::nullopt);
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace platform::linux_backend
