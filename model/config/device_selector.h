#pragma once
// The four numbers of config.xml that pick the keyboard's HID interface.
#include <cstdint>

namespace model {

struct DeviceSelector {
  std::int32_t vid = 0;        // compared with the vid_ part of a device path
  std::int32_t pid = 0;        // pid_ part; 0 accepts any product
  std::int32_t interface = 0;  // mi_ part (interface of a composite device); -1 accepts any
  std::int32_t subdevice = 0;  // col part (top-level collection); -1 accepts any

  friend bool operator==(const DeviceSelector&, const DeviceSelector&) = default;
};

}  // namespace model
