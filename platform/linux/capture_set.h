#pragma once
// The key filter's set of captured keys, as the capture-table request sends it: 4-byte entries
// (usage low byte, usage high byte, page, flags); an entry with flag 0x02 captures the key whose
// usage and page agree with it in their low 8 bits. All-zero entries capture nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <utility>

namespace platform::linux_backend {

inline constexpr std::uint8_t kCaptureEntryFlag = 0x02;
inline constexpr std::size_t kCaptureTableMaxBytes = 1024;

class CaptureSet {
 public:
  // Nothing when the table is not whole 4-byte entries or longer than 256 entries.
  static std::optional<CaptureSet> FromTable(std::span<const std::uint8_t> table);

  // The set that captures every key (the recording mode of the macro editor).
  static CaptureSet Everything();

  bool Captures(std::uint16_t page, std::uint16_t usage) const;
  bool Empty() const { return keys_.empty() && !everything_; }
  std::size_t Size() const { return keys_.size(); }

 private:
  std::set<std::pair<std::uint8_t, std::uint8_t>> keys_;  // (page low byte, usage low byte)
  bool everything_ = false;
};

}  // namespace platform::linux_backend
