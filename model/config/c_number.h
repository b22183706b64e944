#pragma once
// Number conversion with the C library's strtol/strtoul rules for a 32-bit long: leading blanks,
// an optional sign, for base 16 an optional 0x prefix, then as many digits as there are.
// Text that does not start with a number reads as 0; trailing text is ignored; out-of-range values
// saturate as strtol does.
#include <cstdint>
#include <string_view>

namespace model {

std::int32_t ParseCLong(std::wstring_view text, int base);
std::uint32_t ParseCUnsignedLong(std::wstring_view text, int base);

}  // namespace model
