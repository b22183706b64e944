#pragma once
// The program's four data files, read at start-up from the program's folder in this order:
// macro.xml, record.xml, sidemodel.xml, ledeffect.xml. A missing or unreadable file leaves its
// model at the defaults (the lighting stores write theirs back at once).
#include <filesystem>

#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"

namespace app {

inline constexpr const wchar_t* kMacroFileName = L"macro.xml";
inline constexpr const wchar_t* kRecordFileName = L"record.xml";
inline constexpr const wchar_t* kSideModelFileName = L"sidemodel.xml";
inline constexpr const wchar_t* kLedEffectFileName = L"ledeffect.xml";

void LoadDataFiles(const std::filesystem::path& folder, model::MacroLibrary& macros, model::RecordStore& records,
                   model::SideModelStore& sides, model::LedEffectStore& effects);

}  // namespace app
