#include "profiles/program_rules.h"

#include <algorithm>

namespace profiles {
namespace {

wchar_t Fold(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
  return c == L'\\' ? L'/' : c;
}

std::wstring Folded(std::wstring_view text) {
  std::wstring folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
  return folded;
}

std::wstring_view FileName(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L'/');
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

bool NameMatches(const std::wstring& name, const std::wstring& path) {
  const std::wstring_view file = FileName(path);
  if (file == name) return true;
  const std::size_t dot = file.find_last_of(L'.');
  return dot != std::wstring_view::npos && dot > 0 && file.substr(0, dot) == name;
}

bool FolderHolds(std::wstring folder, const std::wstring& path) {
  while (folder.size() > 1 && folder.back() == L'/') folder.pop_back();
  if (folder.empty()) return false;
  if (folder == L"/") return path.size() > 1 && path.front() == L'/';
  return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == L'/';
}

}  // namespace

bool RuleMatches(const model::ProgramRule& rule, const platform::ForegroundProgram& program) {
  const std::wstring value = Folded(rule.value);
  if (value.empty()) return false;
  const std::wstring path = Folded(program.executablePath);
  switch (rule.match) {
    case model::ProgramMatch::kName:
      return !path.empty() && NameMatches(value, path);
    case model::ProgramMatch::kPath:
      return path == value;
    case model::ProgramMatch::kFolder:
      return FolderHolds(value, path);
    case model::ProgramMatch::kWindowClass:
      return !program.windowClass.empty() && Folded(program.windowClass) == value;
  }
  return false;
}

std::optional<std::wstring> ProfileForProgram(const model::Settings& settings,
                                              const platform::ForegroundProgram& program) {
  if (!settings.switchByProgram || program.isThisProgram) return std::nullopt;
  for (const model::ProgramRule& rule : settings.rules) {
    if (RuleMatches(rule, program)) return rule.profile;
  }
  return settings.defaultProfile;
}

}  // namespace profiles
