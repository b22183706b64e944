#pragma once
// Number conversion with the C library's strtol/strtoul rules for a 32-bit long: leading blanks,
// an optional sign, for base 16 an optional 0x prefix, then as many digits as there are.
// Text that does not start with a number reads as 0; trailing text is ignored; out-of-range values
// saturate as strtol does, and for the unsigned form a minus sign negates (as strtoul).
// Bases 2 to 36. Wide text counts as blank what iswspace does; narrow (UTF-8) text the six ASCII
// blanks isspace knows in the C locale.
#include <cstdint>
#include <string_view>

namespace support {

std::int32_t ParseCLong(std::wstring_view text, int base);
std::uint32_t ParseCUnsignedLong(std::wstring_view text, int base);

std::int32_t ParseCLong(std::string_view text, int base);
std::uint32_t ParseCUnsignedLong(std::string_view text, int base);

}  // namespace support
