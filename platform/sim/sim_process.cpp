#include "platform/sim/sim_process.h"

#include <mutex>
#include <set>

namespace sim {

namespace {
constexpr std::uint32_t kErrorFileNotFound = 2;
}  // namespace

struct SimProcessSystem::State {
  mutable std::mutex mutex;
  std::wstring executablePath = L"C:\\App\\kbconfig.exe";
  bool wow64 = false;
  std::uint32_t exitCode = 0;
  std::set<std::wstring> missingPrograms;
  std::function<void(const ProgramRun&)> onRun;
  std::vector<ProgramRun> runs;
};

SimProcessSystem::SimProcessSystem() : state_(std::make_unique<State>()) {}
SimProcessSystem::~SimProcessSystem() = default;

bool SimProcessSystem::RunAndWait(const std::wstring& program, const std::wstring& commandLine,
                                  std::uint32_t& exitCode, std::uint32_t& error) {
  std::function<void(const ProgramRun&)> action;
  ProgramRun run{program, commandLine};
  {
    std::scoped_lock lock(state_->mutex);
    if (program.empty() || state_->missingPrograms.count(program) != 0) {
      error = kErrorFileNotFound;
      return false;
    }
    state_->runs.push_back(run);
    exitCode = state_->exitCode;
    action = state_->onRun;
  }
  if (action) action(run);
  return true;
}

bool SimProcessSystem::ExecutablePath(std::wstring& path, std::uint32_t& error) {
  std::scoped_lock lock(state_->mutex);
  if (state_->executablePath.empty()) {
    error = kErrorFileNotFound;
    return false;
  }
  path = state_->executablePath;
  return true;
}

bool SimProcessSystem::Is32BitOn64BitSystem(bool& answer, std::uint32_t&) {
  std::scoped_lock lock(state_->mutex);
  answer = state_->wow64;
  return true;
}

void SimProcessSystem::SetExecutablePath(std::wstring path) {
  std::scoped_lock lock(state_->mutex);
  state_->executablePath = std::move(path);
}

void SimProcessSystem::Set32BitOn64BitSystem(bool wow64) {
  std::scoped_lock lock(state_->mutex);
  state_->wow64 = wow64;
}

void SimProcessSystem::SetExitCode(std::uint32_t exitCode) {
  std::scoped_lock lock(state_->mutex);
  state_->exitCode = exitCode;
}

void SimProcessSystem::SetMissingProgram(std::wstring program) {
  std::scoped_lock lock(state_->mutex);
  state_->missingPrograms.insert(std::move(program));
}

void SimProcessSystem::OnRun(std::function<void(const ProgramRun&)> action) {
  std::scoped_lock lock(state_->mutex);
  state_->onRun = std::move(action);
}

std::vector<ProgramRun> SimProcessSystem::Runs() const {
  std::scoped_lock lock(state_->mutex);
  return state_->runs;
}

SimProcessSystem& DemoProcesses() {
  static SimProcessSystem processes;
  return processes;
}

}  // namespace sim

namespace platform {
ProcessSystem& DefaultProcessSystem() { return sim::DemoProcesses(); }
}  // namespace platform
