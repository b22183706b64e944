#pragma once
// The names macro groups may have: never empty, never the name of another group.
#include <optional>
#include <string>

#include "model/macro/macro_library.h"

namespace macro {

// True when `name` holds nothing but white space.
bool IsBlankName(const std::wstring& name);

// Why `name` cannot be the name of the group at `index` (English), or nullopt when it can. An
// index outside the groups means a group still to come.
std::optional<std::string> GroupNameProblem(const model::MacroLibrary& library, int index, const std::wstring& name);

// `base` when no group has it (or `base` is blank: "Group"), else "<base> (2)", "<base> (3)", ...
std::wstring UniqueGroupName(const model::MacroLibrary& library, const std::wstring& base);

}  // namespace macro
