#pragma once
// This process and the programs it starts: run a program and wait for it, where the executable
// lives, and whether it runs as a 32-bit process on a 64-bit system.
#include <cstdint>
#include <string>

namespace platform {

class ProcessSystem {
 public:
  virtual ~ProcessSystem() = default;
  // Starts `program` with `commandLine` passed unchanged (no inheritance, the caller's environment
  // and directory, a normal window) and waits without time limit until it ends. False with
  // `error` set when it could not be started; otherwise `exitCode` receives its exit code.
  virtual bool RunAndWait(const std::wstring& program, const std::wstring& commandLine, std::uint32_t& exitCode,
                          std::uint32_t& error) = 0;
  // Full path of this process's executable. False with `error` set when it cannot be read.
  virtual bool ExecutablePath(std::wstring& path, std::uint32_t& error) = 0;
  // True for a 32-bit process on a 64-bit system. False with `error` set when it cannot be told.
  virtual bool Is32BitOn64BitSystem(bool& answer, std::uint32_t& error) = 0;
};

// The process services of the backend this program is linked with.
ProcessSystem& DefaultProcessSystem();

}  // namespace platform
