#pragma once
// An emulated process environment: a program runner that records what it was asked to run and
// returns a configured exit code, the executable's path and the process's bitness.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/process.h"

namespace sim {

struct ProgramRun {
  std::wstring program;
  std::wstring commandLine;
};

class SimProcessSystem final : public platform::ProcessSystem {
 public:
  SimProcessSystem();
  ~SimProcessSystem() override;
  SimProcessSystem(const SimProcessSystem&) = delete;
  SimProcessSystem& operator=(const SimProcessSystem&) = delete;

  bool RunAndWait(const std::wstring& program, const std::wstring& commandLine, std::uint32_t& exitCode,
                  std::uint32_t& error) override;
  bool ExecutablePath(std::wstring& path, std::uint32_t& error) override;
  bool Is32BitOn64BitSystem(bool& answer, std::uint32_t& error) override;

  // Default "C:\App\kbconfig.exe"; an empty path makes ExecutablePath fail.
  void SetExecutablePath(std::wstring path);
  void Set32BitOn64BitSystem(bool wow64);
  void SetExitCode(std::uint32_t exitCode);
  // Programs whose path is listed here cannot be started ("file not found").
  void SetMissingProgram(std::wstring program);
  // Called (on the caller's thread) for every program that runs, before the run returns.
  void OnRun(std::function<void(const ProgramRun&)> action);

  std::vector<ProgramRun> Runs() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// The process environment the program itself uses when linked with the sim backend.
SimProcessSystem& DemoProcesses();

}  // namespace sim
