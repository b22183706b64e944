#pragma once
// Decides which failed saves of data files the user is told of: once per failure. A file's first
// failed save is told; its further failures are not, until one of its saves succeeds; a failure
// after that is told again. A failure that a later success of the same file overtook before it
// was told is dropped (the file is saved), and failures that wait together are told together.
//
// Report may be called on any thread; it takes one short lock and never shows anything itself.
// When a failure comes to wait and none waited before, it calls `wake` (outside its lock), which
// must get the window thread to call TakeUntold and tell the user.
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "support/save_result.h"

namespace support {

class SaveReporter {
 public:
  explicit SaveReporter(std::function<void()> wake);
  SaveReporter(const SaveReporter&) = delete;
  SaveReporter& operator=(const SaveReporter&) = delete;

  void Report(const SaveResult& result);
  // The failures to tell now, in the order they happened, each file once; none wait afterwards.
  std::vector<SaveResult> TakeUntold();
  // The user has heard of `file`'s failure another way: it is not told until the file saves.
  void MarkTold(const std::filesystem::path& file);

 private:
  std::function<void()> wake_;
  std::mutex mutex_;
  std::set<std::filesystem::path> failing_;  // told, or waiting in untold_
  std::vector<SaveResult> untold_;
};

// Hands `result` to `reporter`, when there is one, and returns it.
SaveResult ReportTo(SaveReporter* reporter, SaveResult result);

}  // namespace support
