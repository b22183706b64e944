#pragma once
// Builds packet data: little-endian numbers and length-prefixed, zero-terminated strings.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "outside/openrgb/sdk_protocol.h"

namespace openrgb {

class ByteWriter {
 public:
  void U16(std::uint16_t value);
  void U32(std::uint32_t value);
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  // Length (u16, the terminating zero included), the bytes, a zero. Cut to fit the length field.
  void String(std::string_view text);
  void Bytes(std::span<const std::uint8_t> bytes);
  // Overwrites the u32 at `offset` (a size written before it was known).
  void PatchU32(std::size_t offset, std::uint32_t value);

  std::size_t Size() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& Data() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// A whole packet: header and data.
std::vector<std::uint8_t> Packet(std::uint32_t controller, std::uint32_t id, std::span<const std::uint8_t> data);

}  // namespace openrgb
