#include "ui/macro_editor/group_file.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <limits>
#include <optional>
#include <string_view>

#include <pugixml.hpp>

#include "model/macro/xml_attributes.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "ui/macro_editor/typed_numbers.h"

namespace macro {
namespace {

constexpr std::uint32_t kKeyboardPage = 0x07;
constexpr std::size_t kMaxStemUnits = 200;

// A whole number as the file writes it (optional blanks, optional sign, digits, nothing after
// but blanks), without a range limit short of int64's. Nullopt for anything else.
std::optional<std::int64_t> ReadWholeNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  const std::size_t digits = at;
  std::int64_t value = 0;
  constexpr std::int64_t kCap = std::numeric_limits<std::int64_t>::max() / 10 - 9;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) value = std::min(kCap, value * 10 + (text[at] - '0'));
  if (at == digits) return std::nullopt;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  if (at != text.size()) return std::nullopt;
  return negative ? -value : value;
}

bool IsPlayableCode(std::int64_t code) {
  return (code >> 16) == kKeyboardPage && (code & 0xFFFF) >= 1 && (code & 0xFFFF) <= 0xFF;
}

bool IsReservedDeviceName(std::wstring stem) {
  const std::size_t dot = stem.find(L'.');
  if (dot != std::wstring::npos) stem.resize(dot);
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
  return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' &&
         stem[3] <= L'9';
}

// UTF-16 units of `c` (wchar_t holds UTF-32 on Linux, UTF-16 on Windows).
// The shift keeps MinGW's 16-bit wchar_t from warning about an always-false comparison.
std::size_t Utf16Units(wchar_t c) { return (static_cast<std::uint32_t>(c) >> 16) != 0 ? 2 : 1; }

}  // namespace

bool ExportGroupFile(const model::MacroGroup& group, const std::filesystem::path& path) {
  pugi::xml_document document;
  pugi::xml_node element = document.append_child("macro").append_child("group");
  model::AppendText(element, "name", group.name);
  for (const model::MacroStep& step : group.steps) {
    pugi::xml_node item = element.append_child("item");
    model::AppendUnsigned(item, "code", step.code);
    model::AppendUnsigned(item, "state", static_cast<std::uint32_t>(step.state));
    model::AppendUnsigned(item, "delay", static_cast<std::uint32_t>(int(step.delay)));
    model::AppendText(item, "name", step.name);
  }
  if (!model::SaveXmlFile(document, path)) {
    support::LogFailure("ExportGroupFile", "cannot write " + support::PathToUtf8(path));
    return false;
  }
  return true;
}

bool ImportGroupFile(const std::filesystem::path& path, model::MacroGroup& group, std::string& error,
                     std::vector<ImportChange>* changes) {
  pugi::xml_document document;
  if (!model::LoadXmlFile(path, document)) {
    error = "The file cannot be read or is not an XML file.";
    return false;
  }
  pugi::xml_node element;
  model::ForEachChildElement(document.child("macro"), [&](pugi::xml_node child) {
    if (!element) element = child;
  });
  if (!element) {
    error = "The file holds no macro group.";
    return false;
  }
  std::vector<ImportChange> found;
  model::MacroGroup read;
  read.name = model::ReadText(element, "name");
  if (read.name.find_first_not_of(L" \t\r\n") == std::wstring::npos) found.push_back({ImportChange::Kind::kUnnamed, 0, "", 0});
  int position = 0;
  model::ForEachChildElement(element, [&](pugi::xml_node item) {
    ++position;
    const std::string codeText = item.attribute("code").as_string();
    const std::string stateText = item.attribute("state").as_string();
    const std::string delayText = item.attribute("delay").as_string();
    // A missing attribute reads as 0, as in macro.xml.
    const std::optional<std::int64_t> code = codeText.empty() ? 0 : ReadWholeNumber(codeText);
    const std::optional<std::int64_t> state = stateText.empty() ? 0 : ReadWholeNumber(stateText);
    const std::optional<std::int64_t> delay = delayText.empty() ? 0 : ReadWholeNumber(delayText);
    bool refused = false;
    if (!code || !IsPlayableCode(*code)) {
      found.push_back({ImportChange::Kind::kCodeRefused, position, codeText, 0});
      refused = true;
    }
    if (!state || (*state != 0 && *state != 1)) {
      found.push_back({ImportChange::Kind::kStateRefused, position, stateText, 0});
      refused = true;
    }
    if (refused) return;
    const int takenAs = delay ? static_cast<int>(std::clamp<std::int64_t>(*delay, 0, kMaxDelayMs)) : 0;
    if (!delay || *delay != takenAs) found.push_back({ImportChange::Kind::kDelayClamped, position, delayText, takenAs});
    model::MacroStep step;
    step.code = static_cast<model::KeyCode>(*code);
    step.state = static_cast<int>(*state);
    step.delay = takenAs;
    step.name = model::ReadText(item, "name");
    read.steps.push_back(std::move(step));
  });
  group = std::move(read);
  if (changes) *changes = std::move(found);
  return true;
}

std::wstring GroupFileName(const std::wstring& groupName, const std::wstring& fallback) {
  std::wstring stem;
  std::size_t units = 0;
  for (std::size_t i = 0; i < groupName.size(); ++i) {
    wchar_t c = groupName[i];
    const bool highSurrogate = c >= 0xD800 && c <= 0xDBFF && i + 1 < groupName.size();
    const std::size_t size = highSurrogate ? 2 : Utf16Units(c);
    if (units + size > kMaxStemUnits) break;
    if (static_cast<std::uint32_t>(c) < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) {
      c = L'_';
    }
    stem += c;
    if (highSurrogate) stem += groupName[++i];
    units += size;
  }
  if (stem.find_first_not_of(L" .") == std::wstring::npos) stem = fallback;
  // "CON.txt" is as reserved as "CON": the mark goes right after the device name.
  if (IsReservedDeviceName(stem)) stem.insert(std::min(stem.find(L'.'), stem.size()), 1, L'_');
  return stem + L".xml";
}

}  // namespace macro
