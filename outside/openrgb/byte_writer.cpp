#include "outside/openrgb/byte_writer.h"

#include <algorithm>
#include <limits>

namespace openrgb {

void ByteWriter::U16(std::uint16_t value) {
  bytes_.push_back(static_cast<std::uint8_t>(value));
  bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::U32(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
}

void ByteWriter::String(std::string_view text) {
  text = text.substr(0, std::numeric_limits<std::uint16_t>::max() - 1);
  U16(static_cast<std::uint16_t>(text.size() + 1));
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  bytes_.push_back(0);
}

void ByteWriter::Bytes(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

void ByteWriter::PatchU32(std::size_t offset, std::uint32_t value) {
  for (int n = 0; n < 4 && offset + n < bytes_.size(); ++n) {
    bytes_[offset + n] = static_cast<std::uint8_t>(value >> (8 * n));
  }
}

std::vector<std::uint8_t> Packet(std::uint32_t controller, std::uint32_t id, std::span<const std::uint8_t> data) {
  ByteWriter writer;
  writer.Bytes({reinterpret_cast<const std::uint8_t*>(kMagic.data()), kMagic.size()});
  writer.U32(controller);
  writer.U32(id);
  writer.U32(static_cast<std::uint32_t>(data.size()));
  writer.Bytes(data);
  return writer.Take();
}

}  // namespace openrgb
