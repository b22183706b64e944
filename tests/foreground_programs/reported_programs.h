#pragma once
// What a watcher of the program in front reported, kept for a test that waits for a report.
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/foreground.h"

namespace fgtest {

class ReportedPrograms {
 public:
  // The callback to pass to Watch().
  std::function<void(const platform::ForegroundProgram&)> Callback();

  // Waits until a report since the last Clear() satisfies `wanted`; false after `limit`.
  bool WaitFor(const std::function<bool(const platform::ForegroundProgram&)>& wanted,
               std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Reports since the last Clear(), a program reported twice in a row counted once.
  std::vector<platform::ForegroundProgram> Distinct() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<platform::ForegroundProgram> reports_;
};

// Whether `program`'s executable is `executable` (letter case and the form of the separators
// ignored: the system may spell the path its own way).
bool SameExecutable(const platform::ForegroundProgram& program, const std::filesystem::path& executable);

}  // namespace fgtest
