#pragma once
// What became of one save of a data file, with the system's own reason when it did not happen.
#include <filesystem>
#include <string>
#include <utility>

namespace support {

struct SaveResult {
  enum class Outcome {
    kSaved,    // the file holds the new version, on the disk
    kFailed,   // the system failed a step: the file is as it was (or not confirmed on the disk)
    kRefused,  // not tried: the file could not be read at start and no copy of it could be kept
  };

  Outcome outcome = Outcome::kSaved;
  std::filesystem::path file;
  // The system's message for the step that failed (UTF-8), e.g. "No space left on device"; for a
  // refusal, why no copy could be kept. Empty when saved.
  std::string reason;

  static SaveResult Saved(std::filesystem::path file) { return {Outcome::kSaved, std::move(file), {}}; }
  static SaveResult Failed(std::filesystem::path file, std::string reason) {
    return {Outcome::kFailed, std::move(file), std::move(reason)};
  }
  static SaveResult Refused(std::filesystem::path file, std::string reason) {
    return {Outcome::kRefused, std::move(file), std::move(reason)};
  }

  bool IsSaved() const { return outcome == Outcome::kSaved; }
  explicit operator bool() const { return IsSaved(); }
};

}  // namespace support
