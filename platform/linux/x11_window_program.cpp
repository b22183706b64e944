#include "platform/linux/x11_window_program.h"

#include <cerrno>
#include <climits>
#include <string>

#include <unistd.h>

#include "support/path_text.h"

namespace platform::linux_backend {

namespace {
// What the kernel adds to /proc/<pid>/exe once the file is gone.
constexpr std::string_view kDeletedSuffix = " (deleted)";
}  // namespace

std::optional<std::string> ReadProcessExecutable(std::uint32_t pid, int& error) {
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  std::string target(PATH_MAX, '\0');
  while (true) {
    const ssize_t length = readlink(link.c_str(), target.data(), target.size());
    if (length < 0) {
      error = errno;
      return std::nullopt;
    }
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    target.resize(target.size() * 2);
  }
  if (target.size() > kDeletedSuffix.size() &&
      std::string_view(target).substr(target.size() - kDeletedSuffix.size()) == kDeletedSuffix) {
    target.resize(target.size() - kDeletedSuffix.size());
  }
  return target;
}

std::wstring ClassOfWmClass(std::string_view wmClass) {
  const std::size_t end = wmClass.find('\0');
  if (end == std::string_view::npos) return std::wstring();
  std::string_view windowClass = wmClass.substr(end + 1);
  windowClass = windowClass.substr(0, windowClass.find('\0'));
  std::wstring wide;
  for (char c : windowClass) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

X11WindowProgram ProgramOfWindow(const X11WindowFacts& facts, std::uint32_t ownPid, std::string_view ownHost,
                                 const ExecutableReader& readExecutable) {
  X11WindowProgram result;
  if (!facts.pid || *facts.pid == 0) return result;
  // Without WM_CLIENT_MACHINE the window is taken as local, as window managers take it.
  if (facts.clientMachine && *facts.clientMachine != ownHost) {
    result.outcome = X11WindowProgram::Outcome::kOtherMachine;
    return result;
  }
  int error = 0;
  const std::optional<std::string> executable = readExecutable(*facts.pid, error);
  if (!executable) {
    result.outcome = X11WindowProgram::Outcome::kNotTold;
    result.error = error;
    return result;
  }
  result.outcome = X11WindowProgram::Outcome::kTold;
  result.program.executablePath = support::PathToWide(support::PathFromUtf8(*executable));
  result.program.windowClass = ClassOfWmClass(facts.wmClass);
  result.program.isThisProgram = *facts.pid == ownPid;
  return result;
}

}  // namespace platform::linux_backend
