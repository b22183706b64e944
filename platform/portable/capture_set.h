#pragma once
// The key filter's set of captured keys, as the capture-table request sends it: 4-byte entries
// (usage low byte, usage high byte, page, flags); an entry with flag 0x02 captures the key whose
// usage and page agree with it in their low 8 bits. All-zero entries capture nothing. While the
// macro editor records, every key is captured.
//
// An immutable value with a fixed-size bit per key: a keyboard hook procedure reads it without
// lock or allocation.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform::portable {

inline constexpr std::uint8_t kCaptureEntryFlag = 0x02;
inline constexpr std::size_t kCaptureTableMaxBytes = 1024;

class CaptureSet {
 public:
  // Nothing when the table is not whole 4-byte entries or longer than 256 entries.
  static std::optional<CaptureSet> FromTable(std::span<const std::uint8_t> table);

  // The set that captures every key (the recording mode of the macro editor).
  static CaptureSet Everything();
  // The same keys, and every other key as well when `everything`.
  CaptureSet WithEverything(bool everything) const;

  bool Captures(std::uint16_t page, std::uint16_t usage) const {
    return everything_ || keys_.test(static_cast<std::size_t>(static_cast<std::uint8_t>(page)) << 8 |
                                     static_cast<std::uint8_t>(usage));
  }
  bool Empty() const { return keys_.none() && !everything_; }
  bool CapturesEverything() const { return everything_; }
  std::size_t Size() const { return keys_.count(); }  // listed keys

 private:
  std::bitset<1 << 16> keys_;  // bit (page low byte << 8 | usage low byte)
  bool everything_ = false;
};

}  // namespace platform::portable
