#include "tests/hardening/save_loop_content.h"

#include <string>

#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "support/atomic_file.h"
#include "support/logger.h"

namespace hardening {
namespace {

// Both versions have as many groups and records; version 1 has many more steps in each, so its
// files are many times longer and a torn write would show.
constexpr int kGroups = 24;

int StepsOf(int version) { return version == 0 ? 2 : 30; }

bool SaveMacros(model::MacroLibrary& macros, int version) {
  while (macros.GroupCount() < kGroups) macros.AddGroup();  // only on the first run: these save
  macros.type = version;
  macros.repeat = version == 0 ? 1 : 9;
  macros.delay = 10 + version;
  macros.mode = version;
  macros.media = version;
  macros.function = version;
  macros.skcode = 0x70004u + static_cast<unsigned>(version);
  macros.group = version;
  macros.play = version;
  for (int index = 0; index < kGroups; ++index) {
    const auto group = macros.GroupAt(index);
    macros.ClearSteps(group);
    for (int step = 0; step < StepsOf(version); ++step) {
      macros.AppendStep(group, 0x70004u + static_cast<unsigned>(step), step % 2, step * 10,
                        L"step " + std::to_wstring(step));
    }
  }
  return macros.Save().IsSaved();
}

bool SaveRecords(model::RecordStore& records, int version) {
  for (int index = 0; index < kGroups; ++index) {
    model::KeyRecord record;
    record.code = 0x7003Au + static_cast<unsigned>(index);
    record.type = version;
    record.play = 3;
    record.repeat = 1 + version;
    record.name = L"F" + std::to_wstring(index + 1);
    record.group = L"Group " + std::to_wstring(index);
    for (int step = 0; step < StepsOf(version); ++step) {
      record.steps.push_back(model::MacroStep{0x70004u, step % 2, 95, L"A"});
    }
    records.UpsertRecord(record);  // replaces in place without saving, once every code is there
  }
  return records.Save().IsSaved();
}

}  // namespace

struct SaveLoop::Stores {
  model::MacroLibrary macros;
  model::RecordStore records;
  model::LedEffectStore effects;
  model::SideModelStore sides;
};

SaveLoop::SaveLoop(const std::filesystem::path& folder) : stores_(std::make_unique<Stores>()) {
  stores_->macros.Load(folder / kDataFiles[0]);
  stores_->records.Load(folder / kDataFiles[1]);
  stores_->effects.Load(folder / kDataFiles[2]);
  stores_->sides.Load(folder / kDataFiles[3]);
  // As the program does once it is the only instance: what a killed save left is removed.
  for (const char* name : kDataFiles) support::RemoveLeftoverTemporaries(folder / name);
}

SaveLoop::~SaveLoop() = default;

bool SaveLoop::SaveVersion(int version) {
  bool saved = SaveMacros(stores_->macros, version);
  saved = SaveRecords(stores_->records, version) && saved;

  const auto value = static_cast<std::uint8_t>(version == 0 ? 1 : 2);
  for (int index = 0; index < model::LedEffectStore::kRecordCount; ++index) {
    stores_->effects.SetRecord(index, model::EffectRecord{value, value, static_cast<std::uint8_t>(version), value});
  }
  saved = stores_->effects.SetSelected(version == 0 ? 3 : 11) && saved;

  for (int index = 0; index < model::SideModelStore::kRecordCount; ++index) {
    stores_->sides.SetRecord(index, model::SideRecord{static_cast<std::uint8_t>(version == 0 ? 1 : 6)});
  }
  saved = stores_->sides.SetSelected(version == 0 ? 2 : 9) && saved;
  return saved;
}

std::map<std::string, std::array<std::string, 2>> SavedVersions(const std::filesystem::path& scratch) {
  support::ScopedLogCapture quiet;  // the first loads find no files
  SaveLoop loop(scratch);
  std::map<std::string, std::array<std::string, 2>> known;
  for (int version = 0; version < 2; ++version) {
    if (!loop.SaveVersion(version)) return {};
    for (const char* name : kDataFiles) known[name][version] = support::ReadWholeFile(scratch / name).value_or("");
  }
  return known;
}

}  // namespace hardening
