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

void LoadSettingsFile(const std::filesystem::path& folder, model::SettingsStore& settings) {
  settings.Load(folder / model::kSettingsFileName);
}

const char* StartLanguage(const model::SettingsStore& settings, const model::AppConfig& config) {
  const std::string chosen = settings.Language();
  if (chosen == "lang_cn") return "lang_cn";
  if (chosen == "lang_en") return "lang_en";
  return config.useChinese ? "lang_cn" : "lang_en";
}

int RemoveInterruptedSaves(const std::filesystem::path& folder) {
  int removed = 0;
  for (const wchar_t* name :
       {kMacroFileName, kRecordFileName, kSideModelFileName, kLedEffectFileName, model::kSettingsFileName}) {
    removed += support::RemoveLeftoverTemporaries(folder / name);
  }
  return removed;
}

}  // namespace app
