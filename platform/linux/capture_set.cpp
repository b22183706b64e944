#include "platform/linux/capture_set.h"

namespace platform::linux_backend {

std::optional<CaptureSet> CaptureSet::FromTable(std::span<const std::uint8_t> table) {
  if (table.size() % 4 != 0 || table.size() > kCaptureTableMaxBytes) return std::nullopt;
  CaptureSet set;
  for (std::size_t at = 0; at < table.size(); at += 4) {
    if ((table[at + 3] & kCaptureEntryFlag) == 0) continue;
    set.keys_.emplace(table[at + 2], table[at]);
  }
  return set;
}

CaptureSet CaptureSet::Everything() {
  CaptureSet set;
  set.everything_ = true;
  return set;
}

bool CaptureSet::Captures(std::uint16_t page, std::uint16_t usage) const {
  if (everything_) return true;
  return keys_.count({static_cast<std::uint8_t>(page), static_cast<std::uint8_t>(usage)}) != 0;
}

}  // namespace platform::linux_backend
