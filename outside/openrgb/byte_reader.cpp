#include "outside/openrgb/byte_reader.h"

namespace openrgb {

bool ByteReader::Take(std::size_t count) {
  if (!ok_ || count > bytes_.size() - offset_) {
    ok_ = false;
    return false;
  }
  return true;
}

std::uint16_t ByteReader::U16() {
  if (!Take(2)) return 0;
  const std::uint16_t value = static_cast<std::uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
  offset_ += 2;
  return value;
}

std::uint32_t ByteReader::U32() {
  if (!Take(4)) return 0;
  std::uint32_t value = 0;
  for (int n = 3; n >= 0; --n) value = (value << 8) | bytes_[offset_ + static_cast<std::size_t>(n)];
  offset_ += 4;
  return value;
}

std::string ByteReader::String() {
  const std::uint16_t length = U16();
  if (!Take(length)) return {};
  std::string text(reinterpret_cast<const char*>(bytes_.data() + offset_), length);
  offset_ += length;
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

void ByteReader::Skip(std::size_t count) {
  if (Take(count)) offset_ += count;
}

}  // namespace openrgb
