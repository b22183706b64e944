#pragma once
// Running programs on Linux (posix_spawn + waitpid) and this executable's path (/proc/self/exe).
#include <string>
#include <vector>

#include "platform/process.h"

namespace platform::linux_backend {

// Splits a Windows-style command line into arguments: blanks separate them, double quotes group,
// a backslash before a double quote escapes it. " install \"a b\" x" -> {"install", "a b", "x"}.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

class LinuxProcessSystem final : public ProcessSystem {
 public:
  // Runs `program` with the arguments of `commandLine` (argv[0] is the program) and waits.
  bool RunAndWait(const std::wstring& program, const std::wstring& commandLine, std::uint32_t& exitCode,
                  std::uint32_t& error) override;
  bool ExecutablePath(std::wstring& path, std::uint32_t& error) override;
  // Always false: a Linux build runs with the word size of its system.
  bool Is32BitOn64BitSystem(bool& answer, std::uint32_t& error) override;
};

}  // namespace platform::linux_backend
