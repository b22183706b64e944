#pragma once
// The keyboard's main lighting: 20 effect records and the chosen effect, mirrored in ledeffect.xml.
//
// All members may be called from any thread: the window thread changes the store while the
// start-up effect job reads record 0 on a worker thread.
#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>

#include "model/lighting/effect_record.h"

namespace model {

class LedEffectStore {
 public:
  static constexpr int kRecordCount = 20;
  static constexpr int kNoEffect = 20;  // selected value meaning "no effect chosen"

  // A new store holds the defaults (see Reset) and no path; nothing is written.
  LedEffectStore();
  LedEffectStore(const LedEffectStore&) = delete;
  LedEffectStore& operator=(const LedEffectStore&) = delete;

  // The process-wide store, created on first request and never freed.
  static LedEffectStore& Instance();

  // Remembers `path` and reads it. An empty path returns false and changes nothing. A missing,
  // empty or malformed file returns false after the defaults have been set and written to `path`;
  // a malformed one is first kept beside as <name>.bad (and not replaced when that fails).
  // Values out of range are clamped: speed and brightness to 4, deriction above 1 to 0, selection
  // outside 1..2 to 1, "sel" outside 0..20 to 0. Records the file does not cover keep their values.
  bool Load(const std::filesystem::path& path);

  // Writes the whole store to the remembered path; false when there is none or the write failed
  // (the previous file then stays as it was).
  bool Save() const;

  // Every record to brightness 5, speed 0, deriction 0, selection 0; no effect chosen; then Save.
  bool Reset();

  // The record at `index` (-1: the selected one), or nothing when that index has no record.
  std::optional<EffectRecord> RecordAt(int index) const;
  // Replaces the record at `index` (-1: the selected one); false when it has no record. Not saved.
  bool SetRecord(int index, const EffectRecord& record);

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
  std::array<EffectRecord, kRecordCount> records_{};
  std::int32_t selected_ = kNoEffect;
};

}  // namespace model
