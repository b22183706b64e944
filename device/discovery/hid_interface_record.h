#pragma once
// One HID interface that matched the device selector, with what was read from it.
#include <cstdint>
#include <string>

#include "platform/guid.h"

namespace device {

struct HidInterfaceRecord {
  std::wstring devicePath;
  platform::Guid interfaceClassGuid;
  std::uint32_t flags = 0;
  std::int32_t vid = 0;               // parsed from the path
  std::int32_t pid = 0;               // parsed from the path
  std::uint16_t releaseNumber = 0;    // from the HID attributes; 0 when the path did not open
  std::uint16_t usagePage = 0;        // top-level usage page; 0 when not read
  std::uint16_t usage = 0;            // top-level usage; 0 when not read
};

}  // namespace device
