#include "model/config/c_number.h"

#include <cwctype>
#include <limits>

namespace model {
namespace {

struct Magnitude {
  bool negative = false;
  std::uint64_t value = 0;  // saturated just above the 32-bit range
};

int DigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'z') return c - L'a' + 10;
  if (c >= L'A' && c <= L'Z') return c - L'A' + 10;
  return 99;
}

Magnitude ReadMagnitude(std::wstring_view text, int base) {
  constexpr std::uint64_t kCap = std::uint64_t{1} << 33;
  Magnitude result;
  std::size_t at = 0;
  while (at < text.size() && std::iswspace(static_cast<wint_t>(text[at]))) ++at;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
    result.negative = text[at] == L'-';
    ++at;
  }
  // "0x" counts as a prefix only when a hex digit follows; otherwise the 0 alone is the number.
  if (base == 16 && at + 2 < text.size() && text[at] == L'0' && (text[at + 1] == L'x' || text[at + 1] == L'X') &&
      DigitValue(text[at + 2]) < 16) {
    at += 2;
  }
  for (; at < text.size(); ++at) {
    const int digit = DigitValue(text[at]);
    if (digit >= base) break;
    result.value = result.value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (result.value > kCap) result.value = kCap;
  }
  return result;
}

}  // namespace

std::int32_t ParseCLong(std::wstring_view text, int base) {
  const Magnitude m = ReadMagnitude(text, base);
  constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
  if (m.negative) {
    if (m.value > kMaxPositive + 1) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(m.value));
  }
  if (m.value > kMaxPositive) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(m.value);
}

std::uint32_t ParseCUnsignedLong(std::wstring_view text, int base) {
  const Magnitude m = ReadMagnitude(text, base);
  if (m.value > std::numeric_limits<std::uint32_t>::max()) return std::numeric_limits<std::uint32_t>::max();
  const auto value = static_cast<std::uint32_t>(m.value);
  return m.negative ? static_cast<std::uint32_t>(0u - value) : value;
}

}  // namespace model
