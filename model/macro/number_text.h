#pragma once
// Numbers read from attribute text with the C library's conversion rules, on 32 bits:
// leading white space skipped, an optional sign, then digits; trailing text ignored; no digits
// gives 0.
#include <cstdint>
#include <string_view>

namespace model {

// Signed decimal; beyond the range saturates at INT32_MAX / INT32_MIN (as strtol).
std::int32_t ParseSignedDecimal(std::string_view text);
// Unsigned decimal; beyond the range saturates at UINT32_MAX, a minus sign negates (as strtoul).
std::uint32_t ParseUnsignedDecimal(std::string_view text);
// Unsigned hexadecimal, optional "0x" prefix; otherwise as ParseUnsignedDecimal (as strtoul base 16).
std::uint32_t ParseHex(std::string_view text);

}  // namespace model
