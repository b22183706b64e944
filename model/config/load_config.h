#pragma once
// Reads config.xml into an AppConfig: the device selector, the interface language, the media
// keys and the key combinations. The file is never written.
#include <filesystem>
#include <string_view>
#include <vector>

#include "model/config/app_config.h"

namespace model {

inline constexpr const wchar_t* kConfigFileName = L"config.xml";

// Loads `file` into `config`, appending to its key lists. When the file is missing or not
// well-formed nothing is read, `config` stays as it was, and false is returned.
bool LoadConfigFile(const std::filesystem::path& file, AppConfig& config);

// Loads config.xml from `folder` (the program's own folder) into `config`.
bool LoadConfig(const std::filesystem::path& folder, AppConfig& config);

// Loads config.xml from `folder` into the process-wide AppConfig. Run once, at start-up.
bool LoadConfig(const std::filesystem::path& folder);

// The steps of a combkey code text "key:delay,key:delay,...": blanks (U+0020 only) are removed,
// empty pieces are skipped, both numbers are signed decimals (not a number = 0), a missing delay
// is 0, and a piece made only of colons is skipped (it names no key).
std::vector<CombKeyStep> ParseCombKeySteps(std::wstring_view code);

}  // namespace model
