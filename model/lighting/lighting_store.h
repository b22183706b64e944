#pragma once
// What the two lighting files share: a fixed number of records and a selected index, kept behind
// one mutex and mirrored in a file <effect sel="..."><item .../>...</effect>.
//
// `Format` describes one file:
//   Record                          the record type
//   kRecordCount                    how many records the store holds
//   kHighestSelected                the largest "sel" kept when loading (others read as 0)
//   kDefaultSelected                the selected index after Reset
//   DefaultRecord(index)            record `index` after Reset
//   ReadItem(item, record)          fills `record` from one <item> element, clamping its values
//   WriteItem(item, record)         sets one <item> element's attributes
//
// All members may be called from any thread.
#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "model/xml/unreadable_file.h"

namespace pugi {
class xml_document;
}

namespace model {

template <typename Format>
class LightingStore {
 public:
  using Record = typename Format::Record;
  static constexpr int kRecordCount = Format::kRecordCount;

  // A new store holds the defaults (see Reset) and no path; nothing is written.
  LightingStore();
  LightingStore(const LightingStore&) = delete;
  LightingStore& operator=(const LightingStore&) = delete;

  // Remembers `path` and reads it. An empty path returns false and changes nothing. A missing,
  // contentless or unreadable file returns false after the defaults have been set and written to
  // `path`; an unreadable one (malformed, or 0 bytes) is first kept beside as <name>.bad, and
  // while that copy cannot be made the file is not written over (see Save).
  // Records the file does not cover keep their values.
  bool Load(const std::filesystem::path& path);

  // Load, as a new store would do it: records the file does not cover get their defaults rather
  // than keeping what the store held (a profile switch).
  bool LoadAsNew(const std::filesystem::path& path);

  // Writes the whole store to the remembered path; false when there is none or the write failed
  // (the previous file then stays as it was). Also false, logged, while the file Load could not
  // read has no copy beside it: each save tries to make the copy first.
  bool Save() const;

  // Every record and the selected index to their defaults, then Save.
  bool Reset();

  // The record at `index` (-1: the selected one), or nothing when that index has no record.
  std::optional<Record> RecordAt(int index) const;
  // Replaces the record at `index` (-1: the selected one); false when it has no record. Not saved.
  bool SetRecord(int index, const Record& record);

  std::int32_t Selected() const;
  // Replaces the selected index (any value, -1 included), then saves. Returns Save's result.
  bool SetSelected(std::int32_t index);

  // Saves go to `path` from now on (the profile's folder was renamed). Nothing is read or written.
  void Relocate(const std::filesystem::path& path);

  // The bytes Save would write now.
  std::string FileBytes() const;

  std::filesystem::path Path() const;
  // What Load did with a file it could not read (Fate::kNone when there was none).
  UnreadableFileReport UnreadableAtLoad() const;

 private:
  void SetDefaultsLocked();
  bool SaveLocked() const;
  bool LoadLocked(const std::filesystem::path& path);
  std::string FileBytesLocked() const;
  void BuildDocumentLocked(pugi::xml_document& document) const;
  int ResolveLocked(int index) const;

  mutable std::mutex mutex_;
  std::filesystem::path path_;
  std::array<Record, kRecordCount> records_{};
  std::int32_t selected_ = Format::kDefaultSelected;
  mutable UnreadableFileGuard unreadable_;
};

}  // namespace model
