#pragma once
// Reads the vendor, product, interface and collection numbers out of a HID interface path such as
// \\?\hid#vid_1a2b&pid_0c3d&mi_01&col02#... (any letter case, as setup-API paths are lower case
// and device notifications upper case).
#include <cstdint>
#include <optional>
#include <string_view>

namespace device {

struct DevicePathIds {
  std::int32_t vid = 0;
  std::int32_t pid = 0;
  std::int32_t interface = -1;   // -1 when the path has no &mi_ part
  std::int32_t collection = -1;  // -1 when the path has no &col part

  friend bool operator==(const DevicePathIds&, const DevicePathIds&) = default;
};

// Nothing when the path holds no hid#vid_XXXX&pid_XXXX part. Each number is the leading
// hexadecimal digits of its two- or four-character field.
std::optional<DevicePathIds> ParseDevicePath(std::wstring_view path);

}  // namespace device
