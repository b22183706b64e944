#include "platform/linux/interface_path.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

#include "support/text.h"

namespace platform::linux_backend {

namespace {

constexpr char kHidClassSuffix[] = "{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string InstanceOf(const HidrawIdentity& identity) {
  return InstanceHidName(identity.hidName) + "&" + identity.hidrawName;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

template <typename T>
std::optional<T> Hex(std::string_view text) {
  T value{};
  if (text.empty()) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

// The instance part may not hold '#' or '\' (the separators of the path) nor ':'.
std::string InstanceHidName(std::string_view hidName) {
  std::string name = Lower(std::string(hidName));
  for (char& c : name) {
    if (c == ':' || c == '#' || c == '\\') c = '_';
  }
  return name;
}

std::wstring BuildInterfacePath(const HidrawIdentity& identity, int collectionIndex, int collectionCount) {
  char ids[64];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", identity.vendorId, identity.productId);
  std::string path = std::string("\\\\?\\hid#") + ids;
  if (identity.interfaceNumber) {
    char mi[16];
    std::snprintf(mi, sizeof mi, "&mi_%02x", *identity.interfaceNumber & 0xFF);
    path += mi;
  }
  if (collectionCount > 1) {
    // Hexadecimal, as the device path parser reads it: the tenth collection is "col0a".
    char col[16];
    std::snprintf(col, sizeof col, "&col%02x", static_cast<unsigned>(collectionIndex + 1) & 0xFF);
    path += col;
  }
  path += "#" + InstanceOf(identity) + "#" + kHidClassSuffix;
  return support::Utf8ToWide(path);
}

std::optional<ParsedInterfacePath> ParseInterfacePath(std::wstring_view widePath) {
  const std::string path = Lower(support::WideToUtf8(widePath));
  const std::vector<std::string_view> parts = Split(path, '#');
  if (parts.size() != 4 || parts[0] != "\\\\?\\hid" || parts[3] != kHidClassSuffix) return std::nullopt;

  ParsedInterfacePath parsed;
  const std::vector<std::string_view> ids = Split(parts[1], '&');
  if (ids.size() < 2 || !StartsWith(ids[0], "vid_") || !StartsWith(ids[1], "pid_")) return std::nullopt;
  const auto vid = Hex<std::uint16_t>(ids[0].substr(4));
  const auto pid = Hex<std::uint16_t>(ids[1].substr(4));
  if (!vid || !pid || ids[0].size() != 8 || ids[1].size() != 8) return std::nullopt;
  parsed.vendorId = *vid;
  parsed.productId = *pid;
  for (std::size_t i = 2; i < ids.size(); ++i) {
    if (StartsWith(ids[i], "col")) {
      const std::string_view digits = ids[i].substr(3);
      const auto number = Hex<std::uint8_t>(digits);
      if (!number || digits.size() != 2 || *number < 1) return std::nullopt;
      parsed.collectionIndex = *number - 1;
    } else if (!StartsWith(ids[i], "mi_")) {
      return std::nullopt;
    }
  }

  const std::size_t amp = parts[2].rfind('&');
  if (amp == std::string_view::npos) return std::nullopt;
  parsed.hidrawName = std::string(parts[2].substr(amp + 1));
  if (!StartsWith(parsed.hidrawName, "hidraw") || parsed.hidrawName.size() == 6) return std::nullopt;
  for (char c : parsed.hidrawName.substr(6)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  parsed.hidName = std::string(parts[2].substr(0, amp));
  return parsed;
}

std::optional<HidId> ParseHidId(std::string_view text) {
  const std::vector<std::string_view> fields = Split(text, ':');
  if (fields.size() != 3) return std::nullopt;
  const auto bus = Hex<std::uint32_t>(fields[0]);
  const auto vendor = Hex<std::uint32_t>(fields[1]);
  const auto product = Hex<std::uint32_t>(fields[2]);
  if (!bus || !vendor || !product || *bus > 0xFFFF || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
  return HidId{static_cast<std::uint16_t>(*bus), static_cast<std::uint16_t>(*vendor),
               static_cast<std::uint16_t>(*product)};
}

std::optional<int> InterfaceNumberFromPhys(std::string_view phys) {
  const std::size_t slash = phys.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view last = phys.substr(slash + 1);
  if (!StartsWith(last, "input") || last.size() == 5) return std::nullopt;
  int number = 0;
  const std::string_view digits = last.substr(5);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 10);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

}  // namespace platform::linux_backend
