#pragma once
// Reads packet data without ever reading past its end: a read that does not fit fails, and every
// later read fails too, so a caller checks Ok() once at the end.
#include <cstdint>
#include <span>
#include <string>

namespace openrgb {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint16_t U16();
  std::uint32_t U32();
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // A length-prefixed string; the terminating zero, when there, is not part of the text.
  std::string String();
  void Skip(std::size_t count);
  // Marks the data as not what was expected (a count that cannot be right).
  void Fail() { ok_ = false; }

  bool Ok() const { return ok_; }
  std::size_t Left() const { return ok_ ? bytes_.size() - offset_ : 0; }
  bool AtEnd() const { return ok_ && offset_ == bytes_.size(); }

 private:
  bool Take(std::size_t count);

  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
  bool ok_ = true;
};

}  // namespace openrgb
