#pragma once
// A program the guest tests start and watch: its standard output and error go to a log file,
// which the tests read to learn what it did.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kbtest {

class ChildProcess {
 public:
  // Starts `argv` with the test's environment plus `environment` ("NAME=value" each).
  ChildProcess(std::vector<std::string> argv, std::vector<std::string> environment, std::string logPath);
  // Ends the program (SIGTERM, then SIGKILL) when it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  bool Running();
  // Its exit status (as waitpid reports it) once it has ended, within the time limit.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);
  std::string Log() const;
  // Waits until the log holds `text` (after `from` characters); the position after it, or nothing.
  std::optional<std::size_t> WaitForLog(const std::string& text, std::chrono::milliseconds limit,
                                        std::size_t from = 0);
  void Stop();

 private:
  std::string logPath_;
  int pid_ = -1;
  std::optional<int> status_;
};

// Runs a command to its end and returns its standard output (nothing when it could not run or
// ended with another status than 0).
std::optional<std::string> RunCommand(const std::vector<std::string>& argv);

}  // namespace kbtest
