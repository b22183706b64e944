#pragma once
// The key records, kept in record.xml. Changed on the window thread, read by the key-event thread.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/keys/key_code.h"
#include "model/records/key_record.h"
#include "model/xml/unreadable_file.h"
#include "support/save_reporter.h"
#include "support/save_result.h"

namespace model {

class RecordStore {
 public:
  using Records = std::vector<KeyRecord>;

  RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // The process-wide store, created empty on first request and never freed.
  static RecordStore& Instance();

  // Reads `path` (remembered for Save). A file without records (as ClearRecords writes it) loads
  // as no records. A repeat count outside 1 to 9999 is read as the nearest of the two. False for
  // an empty path or a missing or unreadable file, which leaves the records as they were; an
  // unreadable file (malformed, or 0 bytes) is first kept beside as record.xml.bad, and while
  // that copy cannot be made no save writes over it.
  bool Load(const std::filesystem::path& path);
  // A record file read ahead, to be put in force by Adopt (a profile switch).
  struct Pending {
    std::filesystem::path path;
    Records records;
    UnreadableFileGuard unreadable;
  };
  // Reads `path` as Load does, but off the store, and a missing, contentless or unreadable file
  // gives no records (an unreadable one is kept beside as for Load).
  static Pending Read(const std::filesystem::path& path);
  // Makes the pending file the store's file and its records the store's, in one step: a reader
  // sees the old list or the new one. Nothing is saved.
  void Adopt(Pending pending);

  // Writes every record to the remembered path. Not saved when there is none or the write fails,
  // and refused (logged) while the file Load could not read has no copy beside it; each save tries
  // again. Every save with a path (also those of UpsertRecord and ClearRecords) is handed to the
  // reporter (see ReportSavesTo).
  support::SaveResult Save() const;
  // Hands the result of every later save to `reporter` (null: to none). The reporter must outlive
  // this until it is taken away again; once this returns, no save is handing it a result.
  void ReportSavesTo(support::SaveReporter* reporter);

  // Replaces the record with the same code in place (its position kept), or appends it and saves.
  void UpsertRecord(const KeyRecord& record);
  // 1 when the record of `code` was found and removed, else 0. Does not save.
  int RemoveRecord(KeyCode code);
  // Removes every record and saves.
  void ClearRecords();

  // The records as they are now, in insertion order; iterate over *Snapshot(). The list never
  // changes once handed out: a change publishes a new list, so a reader on another thread keeps a
  // consistent view for as long as it holds this one.
  std::shared_ptr<const Records> Snapshot() const;

  // Saves go to `path` from now on (the profile's folder was renamed). Nothing is read or written.
  void Relocate(const std::filesystem::path& path);

  // The bytes Save would write now.
  std::string FileBytes() const;

  std::filesystem::path FilePath() const;
  // What the last Load did with a file it could not read (Fate::kNone when there was none).
  UnreadableFileReport UnreadableAtLoad() const;

 private:
  // Publishes `next` as the current list. Callers hold writeMutex_.
  void Publish(Records next);
  support::SaveResult SaveLocked(const Records& records) const;

  // Serialises changes (copy, change, publish, save) and guards filePath_, unreadable_ and
  // reporter_.
  mutable std::mutex writeMutex_;
  std::filesystem::path filePath_;
  mutable UnreadableFileGuard unreadable_;
  support::SaveReporter* reporter_ = nullptr;
  // Guards only the exchange of the published list, so readers never wait for a save.
  mutable std::mutex publishMutex_;
  std::shared_ptr<const Records> records_;
};

}  // namespace model
