#include "app/startup/data_files.h"

namespace app {

void LoadDataFiles(const std::filesystem::path& folder, model::MacroLibrary& macros, model::RecordStore& records,
                   model::SideModelStore& sides, model::LedEffectStore& effects) {
  // Each model logs its own failures; a missing file on a first start is normal.
  macros.Load(folder / kMacroFileName);
  records.Load(folder / kRecordFileName);
  sides.Load(folder / kSideModelFileName);
  effects.Load(folder / kLedEffectFileName);
}

}  // namespace app
