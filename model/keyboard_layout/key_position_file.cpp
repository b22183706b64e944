#include "model/keyboard_layout/key_position_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "model/xml/xml_file.h"
#include "support/c_number.h"
#include "support/path_text.h"
#include "support/text.h"

namespace model {
namespace {

std::string WithoutChars(std::string_view text, std::string_view drop) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (drop.find(c) == std::string_view::npos) kept.push_back(c);
  }
  return kept;
}

// x + width without signed overflow: a huge width ends at the largest coordinate.
int32_t SaturatingAdd(int32_t origin, int32_t extent) {
  const int64_t sum = static_cast<int64_t>(origin) + extent;
  return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::filesystem::path ResolveKeyPositionPath(const std::filesystem::path& programFolder,
                                             std::wstring_view layoutText) {
  std::wstring relative(layoutText);
  std::replace(relative.begin(), relative.end(), L'\\', L'/');
  while (!relative.empty() && relative.front() == L'/') relative.erase(relative.begin());
  return programFolder / support::PathFromWide(relative);
}

uint32_t ParseKeyColor(std::string_view text) {
  const std::string digits = WithoutChars(text, " \t\r\n#");
  unsigned int value = 0;
  if (digits.empty() || std::sscanf(digits.c_str(), "%x", &value) != 1) return kDefaultKeyColor;
  return value;
}

KeyRect ParseKeyRect(std::string_view text) {
  const std::string numbers = WithoutChars(text, " \t\r\n");
  // Up to four comma-separated decimal numbers; reading stops at the first that is not one.
  // Numbers saturate at the 32-bit range (sscanf's %d would overflow), and a negative width or
  // height covers nothing instead of turning the rectangle inside out.
  int32_t values[4] = {0, 0, 0, 0};
  std::string_view rest = numbers;
  for (int32_t& value : values) {
    const std::string_view field = rest.substr(0, rest.find(','));
    const size_t digitAt = (!field.empty() && (field[0] == '-' || field[0] == '+')) ? 1 : 0;
    if (field.size() <= digitAt || field[digitAt] < '0' || field[digitAt] > '9') break;
    value = support::ParseCLong(field, 10);
    if (field.size() == rest.size()) break;
    rest.remove_prefix(field.size() + 1);
  }
  const int32_t x = values[0], y = values[1];
  const int32_t width = std::max<int32_t>(values[2], 0), height = std::max<int32_t>(values[3], 0);
  return KeyRect{x, y, SaturatingAdd(x, width), SaturatingAdd(y, height)};
}

std::vector<KeySpot> ReadKeyPositions(const pugi::xml_document& document) {
  std::vector<KeySpot> spots;
  const pugi::xml_node positions = document.child("positions");
  for (pugi::xml_node key : positions.children()) {
    if (key.type() != pugi::node_element) continue;
    KeySpot spot;
    if (pugi::xml_attribute id = key.attribute("id")) spot.id = id.as_int();
    if (pugi::xml_attribute va = key.attribute("va")) spot.va = va.as_int();
    spot.name = support::Utf8ToWide(key.attribute("name").as_string());
    spot.legend = support::Utf8ToWide(key.attribute("legend").as_string());
    if (pugi::xml_attribute color = key.attribute("color")) spot.color = ParseKeyColor(color.as_string());
    if (pugi::xml_attribute rect = key.attribute("rect")) spot.rect = ParseKeyRect(rect.as_string());
    spots.push_back(std::move(spot));
  }
  return spots;
}

std::vector<KeySpot> LoadKeyPositions(const std::filesystem::path& path) {
  pugi::xml_document document;
  if (!LoadXmlFile(path, document)) return {};
  return ReadKeyPositions(document);
}

}  // namespace model
