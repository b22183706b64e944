#pragma once
// The keyboard's side light: 12 side effect records and the chosen one, mirrored in sidemodel.xml.
//
// All members may be called from any thread.
#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>

#include "model/lighting/side_record.h"

namespace model {

class SideModelStore {
 public:
  static constexpr int kRecordCount = 12;
  static constexpr int kHighestSelected = 12;  // accepted from the file, has no record

  // A new store holds the defaults (see Reset) and no path; nothing is written.
  SideModelStore();
  SideModelStore(const SideModelStore&) = delete;
  SideModelStore& operator=(const SideModelStore&) = delete;

  // The process-wide store, created on first request.
  static SideModelStore& Instance();

  // Remembers `path` and reads it. An empty path returns false and changes nothing. A missing,
  // empty or malformed file returns false after the defaults have been set and written to `path`;
  // a malformed one is first kept beside as <name>.bad (and not replaced when that fails).
  // A brightness keeps its low 3 bits, or becomes 0 when bit 3 is set; "sel" outside 0..12 becomes
  // 0. Records the file does not cover keep their values.
  bool Load(const std::filesystem::path& path);

  // Writes the whole store to the remembered path; false when there is none or the write failed
  // (the previous file then stays as it was).
  bool Save() const;

  // Records 0 to 2 to brightness 4, the others to 7; side effect 0 chosen; then Save.
  bool Reset();

  // The record at `index` (-1: the selected one), or nothing when that index has no record.
  std::optional<SideRecord> RecordAt(int index) const;
  // Replaces the record at `index` (-1: the selected one); false when it has no record. Not saved.
  bool SetRecord(int index, const SideRecord& record);

  std::int32_t Selected() const;
  // Replaces the selected index (any value, -1 included), then saves. Returns Save's result.
  bool SetSelected(std::int32_t index);

  std::filesystem::path Path() const;

 private:
  void SetDefaultsLocked();
  bool SaveLocked() const;
  int ResolveLocked(int index) const;

  mutable std::mutex mutex_;
  std::filesystem::path path_;
  std::array<SideRecord, kRecordCount> records_{};
  std::int32_t selected_ = 0;
};

}  // namespace model
