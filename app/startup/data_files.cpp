#include "app/startup/data_files.h"

#include "support/atomic_file.h"

namespace app {

void LoadDataFiles(const std::filesystem::path& folder, const model::ProfileFiles& profile,
                   model::MacroLibrary& macros, model::RecordStore& records, model::SideModelStore& sides,
                   model::LedEffectStore& effects) {
  // Each model logs its own failures; a missing file on a first start is normal.
  macros.Load(folder / kMacroFileName);
  records.Load(profile.records);
  sides.Load(profile.sides);
  effects.Load(profile.effects);
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

int RemoveInterruptedSaves(model::ProfileCatalog& profiles) {
  const std::filesystem::path& folder = profiles.DataFolder();
  int removed = profiles.RemoveInterrupted();
  for (const wchar_t* name : {kMacroFileName, model::kSettingsFileName}) {
    removed += support::RemoveLeftoverTemporaries(folder / name);
  }
  for (const std::wstring& id : profiles.Ids()) {
    const model::ProfileFiles files = profiles.FilesOf(id);
    for (const std::filesystem::path& file : {files.records, files.sides, files.effects}) {
      removed += support::RemoveLeftoverTemporaries(file);
    }
  }
  return removed;
}

}  // namespace app
