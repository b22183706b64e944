#include "app/startup/data_files.h"

#include "support/atomic_file.h"

namespace app {

void LoadDataFiles(const std::filesystem::path& folder, model::MacroLibrary& macros, model::RecordStore& records,
                   model::SideModelStore& sides, model::LedEffectStore& effects) {
  // Each model logs its own failures; a missing file on a first start is normal.
  macros.Load(folder / kMacroFileName);
  records.Load(folder / kRecordFileName);
  sides.Load(folder / kSideModelFileName);
  effects.Load(folder / kLedEffectFileName);
}

int RemoveInterruptedSaves(const std::filesystem::path& folder) {
  int removed = 0;
  for (const wchar_t* name : {kMacroFileName, kRecordFileName, kSideModelFileName, kLedEffectFileName}) {
    removed += support::RemoveLeftoverTemporaries(folder / name);
  }
  return removed;
}

}  // namespace app
