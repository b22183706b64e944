#include "support/c_number.h"

#include <cwctype>
#include <limits>

namespace support {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsBlank(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

// 0-9, then a-z / A-Z as 10-35; anything else is no digit in any base.
template <typename Char>
int DigitValue(Char c) {
  if (c >= Char('0') && c <= Char('9')) return static_cast<int>(c - Char('0'));
  if (c >= Char('a') && c <= Char('z')) return static_cast<int>(c - Char('a')) + 10;
  if (c >= Char('A') && c <= Char('Z')) return static_cast<int>(c - Char('A')) + 10;
  return 99;
}

struct Magnitude {
  bool negative = false;
  std::uint64_t value = 0;  // saturated just above the 32-bit range
};

// Reads [blanks][sign][0x when hexadecimal]digits.
template <typename Char>
Magnitude ReadMagnitude(std::basic_string_view<Char> text, int base) {
  constexpr std::uint64_t kCap = std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1;
  Magnitude result;
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (at < text.size() && (text[at] == Char('+') || text[at] == Char('-'))) {
    result.negative = text[at] == Char('-');
    ++at;
  }
  // "0x" counts as a prefix only when a hex digit follows; otherwise the 0 alone is the number.
  if (base == 16 && at + 2 < text.size() && text[at] == Char('0') &&
      (text[at + 1] == Char('x') || text[at + 1] == Char('X')) && DigitValue(text[at + 2]) < 16) {
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

std::int32_t ToLong(const Magnitude& m) {
  constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
  if (m.negative) {
    if (m.value > kMaxPositive + 1) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(m.value));
  }
  if (m.value > kMaxPositive) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(m.value);
}

std::uint32_t ToUnsignedLong(const Magnitude& m) {
  if (m.value > std::numeric_limits<std::uint32_t>::max()) return std::numeric_limits<std::uint32_t>::max();
  const auto value = static_cast<std::uint32_t>(m.value);
  return m.negative ? static_cast<std::uint32_t>(0u - value) : value;
}

}  // namespace

std::int32_t ParseCLong(std::wstring_view text, int base) { return ToLong(ReadMagnitude(text, base)); }
std::uint32_t ParseCUnsignedLong(std::wstring_view text, int base) {
  return ToUnsignedLong(ReadMagnitude(text, base));
}

std::int32_t ParseCLong(std::string_view text, int base) { return ToLong(ReadMagnitude(text, base)); }
std::uint32_t ParseCUnsignedLong(std::string_view text, int base) {
  return ToUnsignedLong(ReadMagnitude(text, base));
}

}  // namespace support
