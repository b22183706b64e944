#include "support/save_reporter.h"

#include <utility>

namespace support {

SaveReporter::SaveReporter(std::function<void()> wake) : wake_(std::move(wake)) {}

void SaveReporter::Report(const SaveResult& result) {
  bool wake = false;
  {
    std::scoped_lock lock(mutex_);
    if (result.IsSaved()) {
      failing_.erase(result.file);
      std::erase_if(untold_, [&](const SaveResult& waiting) { return waiting.file == result.file; });
      return;
    }
    if (!failing_.insert(result.file).second) return;
    wake = untold_.empty();
    untold_.push_back(result);
  }
  if (wake && wake_) wake_();
}

std::vector<SaveResult> SaveReporter::TakeUntold() {
  std::scoped_lock lock(mutex_);
  return std::exchange(untold_, {});
}

void SaveReporter::MarkTold(const std::filesystem::path& file) {
  std::scoped_lock lock(mutex_);
  failing_.insert(file);
}

SaveResult ReportTo(SaveReporter* reporter, SaveResult result) {
  if (reporter) reporter->Report(result);
  return result;
}

}  // namespace support
