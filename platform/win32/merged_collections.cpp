#include "platform/win32/merged_collections.h"

#include <cstdio>
#include <cwctype>

namespace platform::win32 {
namespace {

constexpr std::uint8_t kApplicationCollection = 1;

// The id part of an interface path: "\\?\hid#<ids>#<instance>#{class}".
std::optional<std::pair<std::size_t, std::size_t>> IdPart(std::wstring_view path) {
  std::wstring lower(path);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  const std::size_t start = lower.find(L"hid#vid_");
  if (start == std::wstring::npos) return std::nullopt;
  const std::size_t begin = start + 4;
  const std::size_t end = lower.find(L'#', begin);
  if (end == std::wstring::npos) return std::nullopt;
  return std::make_pair(begin, end);
}

}  // namespace

std::vector<TopCollection> MergedTopCollections(std::span<const LinkCollection> nodes) {
  std::vector<TopCollection> collections;
  if (nodes.empty()) return collections;
  collections.push_back({nodes[0].usagePage, nodes[0].usage});
  for (std::size_t i = 1; i < nodes.size(); ++i) {
    if (nodes[i].parent == 0 && nodes[i].type == kApplicationCollection) {
      collections.push_back({nodes[i].usagePage, nodes[i].usage});
    }
  }
  if (collections.size() < 2) collections.clear();
  return collections;
}

bool PathHasNoCollection(std::wstring_view path) {
  const auto ids = IdPart(path);
  if (!ids) return false;
  std::wstring part(path.substr(ids->first, ids->second - ids->first));
  for (wchar_t& c : part) c = static_cast<wchar_t>(std::towlower(c));
  return part.find(L"&col") == std::wstring::npos;
}

std::optional<std::wstring> PathWithCollection(std::wstring_view path, int number) {
  const auto ids = IdPart(path);
  if (!ids || number < 1 || number > 0xFF) return std::nullopt;
  wchar_t col[8];
  std::swprintf(col, 8, L"&col%02x", static_cast<unsigned>(number));
  std::wstring result(path.substr(0, ids->second));
  result += col;
  result += path.substr(ids->second);
  return result;
}

}  // namespace platform::win32
