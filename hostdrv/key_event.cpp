#include "hostdrv/key_event.h"

#include <algorithm>

namespace HidUsbFilter {

CaptureTable BuildCaptureTable(std::span<const KeyCode> keys) {
  CaptureTable table{};
  const std::size_t count = std::min(keys.size(), kCaptureTableEntries);
  for (std::size_t index = 0; index < count; ++index) {
    const CaptureEntry entry{static_cast<std::uint16_t>(model::KeyUsage(keys[index]) & 0xFF),
                             static_cast<std::uint8_t>(model::KeyPage(keys[index]) & 0xFF), kCaptureFlag};
    const auto bytes = entry.ToBytes();
    std::copy(bytes.begin(), bytes.end(), table.begin() + static_cast<std::ptrdiff_t>(index * 4));
  }
  return table;
}

}  // namespace HidUsbFilter
