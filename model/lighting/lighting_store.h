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
// All members may be called from any thread. A save writes the file outside the lock that guards
// the records, so readers never wait for the disk; of two saves racing to the file the newer
// content is the one that stays.
#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "model/xml/unreadable_file.h"
#include "support/save_reporter.h"
#include "support/save_result.h"

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

  // Writes the whole store to the remembered path; not saved when there is none or the write
  // failed (the previous file then stays as it was), and refused (logged) while the file Load
  // could not read has no copy beside it: each save tries to make the copy first. Every save with
  // a path, this one or another member's, is also handed to the reporter (see ReportSavesTo).
  support::SaveResult Save() const;

  // Every record and the selected index to their defaults, then Save.
  support::SaveResult Reset();

  // The record at `index` (-1: the selected one), or nothing when that index has no record.
  std::optional<Record> RecordAt(int index) const;
  // Replaces the record at `index` (-1: the selected one); false when it has no record. Not saved.
  bool SetRecord(int index, const Record& record);

  std::int32_t Selected() const;
  // Replaces the selected index (any value, -1 included), then saves. Returns Save's result.
  support::SaveResult SetSelected(std::int32_t index);
  // The same without saving (a caller that saves when it chooses).
  void SetSelectedUnsaved(std::int32_t index);

  // Hands the result of every later save to `reporter` (null: to none). The reporter must outlive
  // this until it is taken away again; once this returns, no save is handing it a result.
  void ReportSavesTo(support::SaveReporter* reporter);

  // Saves go to `path` from now on (the profile's folder was renamed). Nothing is read or written.
  void Relocate(const std::filesystem::path& path);

  // The bytes Save would write now.
  std::string FileBytes() const;

  std::filesystem::path Path() const;
  // What Load did with a file it could not read (Fate::kNone when there was none).
  UnreadableFileReport UnreadableAtLoad() const;

 private:
  // What a save writes, taken under the lock; written by Write without it.
  struct PendingWrite {
    std::filesystem::path path;
    std::string bytes;
    std::uint64_t sequence = 0;
  };
  // A save as taken under the lock: what to write, or why nothing is written.
  struct PreparedSave {
    std::optional<PendingWrite> write;
    support::SaveResult unwritten;
  };

  void SetDefaultsLocked();
  bool LoadFrom(const std::filesystem::path& path, bool fromDefaults);
  void ReadDocumentLocked(const pugi::xml_document& document);
  std::string FileBytesLocked() const;
  PreparedSave PrepareSaveLocked() const;
  // Writes the prepared bytes, or hands the reporter why there were none.
  support::SaveResult Write(const PreparedSave& save) const;
  int ResolveLocked(int index) const;

  mutable std::mutex mutex_;
  mutable std::mutex writeMutex_;  // one file write at a time; taken without mutex_
  mutable std::uint64_t preparedSaves_ = 0;       // under mutex_
  mutable std::uint64_t writtenSequence_ = 0;     // under writeMutex_
  mutable support::SaveResult lastWriteResult_;   // under writeMutex_
  std::filesystem::path path_;
  std::array<Record, kRecordCount> records_{};
  std::int32_t selected_ = Format::kDefaultSelected;
  mutable UnreadableFileGuard unreadable_;
  support::SaveReporter* reporter_ = nullptr;    // under writeMutex_
};

}  // namespace model
