#include "app/startup/command_line.h"

#include <cstring>

namespace app {

namespace {

// The C runtime ends an unquoted program name at, and skips after it, any character up to the
// space (blank, tab, line break and the other control characters).
bool IsBlank(wchar_t c) { return c <= L' '; }

}  // namespace

bool StartsHidden(int argc, const char* const* argv) {
  return argc == 2 && argv != nullptr && argv[1] != nullptr && std::strcmp(argv[1], kStartHiddenOption) == 0;
}

std::wstring_view ArgumentsOfCommandLine(std::wstring_view commandLine) {
  std::size_t at = 0;
  if (!commandLine.empty() && commandLine.front() == L'"') {
    const std::size_t closing = commandLine.find(L'"', 1);
    at = closing == std::wstring_view::npos ? commandLine.size() : closing + 1;
  } else {
    while (at < commandLine.size() && !IsBlank(commandLine[at])) ++at;
  }
  while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
  return commandLine.substr(at);
}

bool CommandLineStartsHidden(std::wstring_view commandLine) {
  return ArgumentsOfCommandLine(commandLine) == kStartHiddenOptionWide;
}

}  // namespace app
