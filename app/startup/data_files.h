#pragma once
// The program's four data files, read at start-up from the data folder (see ProgramFolders) in this
// order: macro.xml, record.xml, sidemodel.xml, ledeffect.xml. A missing or unreadable file leaves
// its model at the defaults (the lighting stores write theirs back at once); an unreadable one is
// kept beside first, and each model says so in UnreadableAtLoad().
#include <filesystem>

#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "model/config/app_config.h"
#include "model/settings/settings_store.h"

namespace app {

inline constexpr const wchar_t* kMacroFileName = L"macro.xml";
inline constexpr const wchar_t* kRecordFileName = L"record.xml";
inline constexpr const wchar_t* kSideModelFileName = L"sidemodel.xml";
inline constexpr const wchar_t* kLedEffectFileName = L"ledeffect.xml";

void LoadDataFiles(const std::filesystem::path& folder, model::MacroLibrary& macros, model::RecordStore& records,
                   model::SideModelStore& sides, model::LedEffectStore& effects);

// Reads settings.xml from the data folder (first of the data files: it holds the language).
void LoadSettingsFile(const std::filesystem::path& folder, model::SettingsStore& settings);
// The translation table to start with: the one the user last picked, else config.xml's choice.
const char* StartLanguage(const model::SettingsStore& settings, const model::AppConfig& config);

// Removes the temporary files of saves of the data files and settings.xml that a kill or a crash interrupted.
// Only while no other instance can be saving them. Returns how many were removed.
int RemoveInterruptedSaves(const std::filesystem::path& folder);

}  // namespace app
