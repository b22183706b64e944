#include "model/macro/number_text.h"

#include <limits>

namespace model {
namespace {

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int DigitValue(char c, int base) {
  int value = base;
  if (c >= '0' && c <= '9') value = c - '0';
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

struct Magnitude {
  bool negative = false;
  bool overflow = false;          // the digits exceed 32 unsigned bits
  std::uint64_t value = 0;        // valid when !overflow
};

// Reads [space][sign][0x when hexadecimal]digits; the magnitude is capped just above 32 bits.
Magnitude ReadMagnitude(std::string_view text, int base) {
  Magnitude result;
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    result.negative = text[i] == '-';
    ++i;
  }
  if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      DigitValue(text[i + 2], 16) >= 0) {
    i += 2;
  }
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) break;
    result.value = result.value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (result.value > std::numeric_limits<std::uint32_t>::max()) {
      result.overflow = true;
      result.value = std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1;  // keep it bounded
    }
  }
  return result;
}

std::uint32_t ToUnsigned(const Magnitude& m) {
  if (m.overflow) return std::numeric_limits<std::uint32_t>::max();
  const auto value = static_cast<std::uint32_t>(m.value);
  return m.negative ? static_cast<std::uint32_t>(0u - value) : value;
}

}  // namespace

std::int32_t ParseSignedDecimal(std::string_view text) {
  const Magnitude m = ReadMagnitude(text, 10);
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::int64_t value = m.negative ? -static_cast<std::int64_t>(m.value) : static_cast<std::int64_t>(m.value);
  if (value > kMax) return static_cast<std::int32_t>(kMax);
  if (value < kMin) return static_cast<std::int32_t>(kMin);
  return static_cast<std::int32_t>(value);
}

std::uint32_t ParseUnsignedDecimal(std::string_view text) { return ToUnsigned(ReadMagnitude(text, 10)); }

std::uint32_t ParseHex(std::string_view text) { return ToUnsigned(ReadMagnitude(text, 16)); }

}  // namespace model
