#include "ui/macro_editor/group_names.h"

#include <cwctype>

namespace macro {
namespace {

bool TakenByAnother(const model::MacroLibrary& library, int index, const std::wstring& name) {
  for (int other = 0; other < library.GroupCount(); ++other) {
    if (other != index && library.GroupAt(other)->name == name) return true;
  }
  return false;
}

}  // namespace

bool IsBlankName(const std::wstring& name) {
  for (wchar_t c : name) {
    if (!std::iswspace(static_cast<wint_t>(c))) return false;
  }
  return true;
}

std::optional<std::string> GroupNameProblem(const model::MacroLibrary& library, int index, const std::wstring& name) {
  if (IsBlankName(name)) return "A macro group needs a name.";
  if (TakenByAnother(library, index, name)) return "Another macro group has this name already.";
  return std::nullopt;
}

std::wstring UniqueGroupName(const model::MacroLibrary& library, const std::wstring& base) {
  const std::wstring stem = IsBlankName(base) ? L"Group" : base;
  if (!TakenByAnother(library, -1, stem)) return stem;
  for (int number = 2;; ++number) {
    std::wstring candidate = stem + L" (" + std::to_wstring(number) + L")";
    if (!TakenByAnother(library, -1, candidate)) return candidate;
  }
}

}  // namespace macro
