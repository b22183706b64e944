#include "device/discovery/device_path.h"

#include <regex>
#include <string>

#include "model/config/c_number.h"

namespace device {
namespace {

// Groups: 1 vid, 2 pid, 4 revision (unused), 6 interface, 8 collection. Each group holds its whole
// field, so a two-digit interface or collection keeps both digits.
const std::wregex& DevicePathPattern() {
  static const std::wregex pattern(
      L"hid#vid_([\\da-zA-Z]{4})&pid_([\\da-zA-Z]{4})(&rev_([\\da-zA-Z]{4}))?(&mi_([\\da-zA-Z]{2}))?"
      L"(&col([\\da-zA-Z]{2}))?",
      std::regex_constants::ECMAScript | std::regex_constants::icase);
  return pattern;
}

std::int32_t GroupNumber(const std::wsmatch& match, std::size_t group) {
  if (!match[group].matched || match[group].length() == 0) return -1;
  return model::ParseCLong(match[group].str(), 16);
}

}  // namespace

std::optional<DevicePathIds> ParseDevicePath(std::wstring_view path) {
  const std::wstring text(path);
  std::wsmatch match;
  if (!std::regex_search(text, match, DevicePathPattern())) return std::nullopt;
  DevicePathIds ids;
  ids.vid = GroupNumber(match, 1);
  ids.pid = GroupNumber(match, 2);
  ids.interface = GroupNumber(match, 6);
  ids.collection = GroupNumber(match, 8);
  return ids;
}

}  // namespace device
