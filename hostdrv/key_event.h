#pragma once
// The two 4-byte records exchanged with the key filter driver, both little-endian:
// usage (bytes 0-1), page (byte 2), flags (byte 3).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/keys/key_code.h"

namespace HidUsbFilter {

using KeyCode = model::KeyCode;

// One press or release of a captured key, as the driver completes a key-event read.
struct KeyEvent {
  std::uint16_t usage = 0;
  std::uint8_t page = 0;
  std::uint8_t flags = 0;  // bit 0: 1 down, 0 up; other bits ignored

  static KeyEvent FromBytes(const std::array<std::uint8_t, 4>& bytes) {
    return KeyEvent{static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)), bytes[2], bytes[3]};
  }
  std::uint32_t Down() const { return flags & 1u; }
};

// One entry of the capture table.
struct CaptureEntry {
  std::uint16_t usage = 0;  // low 8 bits of the key's usage
  std::uint8_t page = 0;    // low 8 bits of the key's page
  std::uint8_t flags = 0;   // kCaptureFlag for every listed key

  std::array<std::uint8_t, 4> ToBytes() const {
    return {static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8), page, flags};
  }
};

inline constexpr std::uint8_t kCaptureFlag = 0x02;
inline constexpr std::size_t kCaptureTableEntries = 256;
inline constexpr std::size_t kCaptureTableBytes = kCaptureTableEntries * 4;
using CaptureTable = std::array<std::uint8_t, kCaptureTableBytes>;

// The capture table for these keys in their order: one entry per key for the first 256 keys,
// zero entries after the last.
CaptureTable BuildCaptureTable(std::span<const KeyCode> keys);

}  // namespace HidUsbFilter
