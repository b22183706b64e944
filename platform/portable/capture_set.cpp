#include "platform/portable/capture_set.h"

namespace platform::portable {

std::optional<CaptureSet> CaptureSet::FromTable(std::span<const std::uint8_t> table) {
  if (table.size() % 4 != 0 || table.size() > kCaptureTableMaxBytes) return std::nullopt;
  CaptureSet set;
  for (std::size_t at = 0; at < table.size(); at += 4) {
    if ((table[at + 3] & kCaptureEntryFlag) == 0) continue;
    set.keys_.set(static_cast<std::size_t>(table[at + 2]) << 8 | table[at]);
  }
  return set;
}

CaptureSet CaptureSet::Everything() { return CaptureSet().WithEverything(true); }

CaptureSet CaptureSet::WithEverything(bool everything) const {
  CaptureSet copy = *this;
  copy.everything_ = everything;
  return copy;
}

}  // namespace platform::portable
