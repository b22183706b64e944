#pragma once
// One macro group in a file of its own, for backups and sharing. The file has the form of
// macro.xml without the settings: a "macro" element holding one "group" element with its "item"
// steps, so a group can also be copied from or into macro.xml by hand.
#include <filesystem>
#include <string>

#include "model/macro/macro_step.h"

namespace macro {

// Writes `group` to `path` (atomically). False, logged, when the write fails.
bool ExportGroupFile(const model::MacroGroup& group, const std::filesystem::path& path);

// Reads the first group of the file's "macro" element. False when the file is missing, not
// well-formed or holds no group; `error` then says which, in English, and `group` is untouched.
bool ImportGroupFile(const std::filesystem::path& path, model::MacroGroup& group, std::string& error);

}  // namespace macro
