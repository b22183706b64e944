#pragma once
// The program's four data files, read at start-up in this order: macro.xml from the data folder
// (see ProgramFolders), then record.xml, sidemodel.xml and ledeffect.xml of the active profile
// (model/profiles/profile_catalog.h: the first profile's are in the data folder too). A missing or
// unreadable file leaves its model at the defaults (the lighting stores write theirs back at
// once); an unreadable one is kept beside first, and each model says so in UnreadableAtLoad().
#include <filesystem>

#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/profiles/profile_catalog.h"
#include "model/records/record_store.h"
#include "model/config/app_config.h"
#include "model/settings/settings_store.h"

namespace app {

inline constexpr const wchar_t* kMacroFileName = L"macro.xml";
inline constexpr const wchar_t* kRecordFileName = model::kRecordFileName;
inline constexpr const wchar_t* kSideModelFileName = model::kSideModelFileName;
inline constexpr const wchar_t* kLedEffectFileName = model::kLedEffectFileName;

void LoadDataFiles(const std::filesystem::path& folder, const model::ProfileFiles& profile,
                   model::MacroLibrary& macros, model::RecordStore& records, model::SideModelStore& sides,
                   model::LedEffectStore& effects);

// Reads settings.xml from the data folder (first of the data files: it holds the language).
void LoadSettingsFile(const std::filesystem::path& folder, model::SettingsStore& settings);
// The translation table to start with: the one the user last picked, else config.xml's choice.
const char* StartLanguage(const model::SettingsStore& settings, const model::AppConfig& config);

// Removes the temporary files of saves of the data files (of every profile) and settings.xml, and
// the hidden folders of profile changes, that a kill or a crash interrupted. Only while no other
// instance can be saving them. Returns how many were removed.
int RemoveInterruptedSaves(model::ProfileCatalog& profiles);

}  // namespace app
