#pragma once
// Numbers read from attribute text with the C library's conversion rules, on 32 bits:
// leading white space skipped, an optional sign, then digits; trailing text ignored; no digits
// gives 0. The conversion itself is support/c_number.h.
#include <cstdint>
#include <string_view>

#include "support/c_number.h"

namespace model {

// Signed decimal; beyond the range saturates at INT32_MAX / INT32_MIN (as strtol).
inline std::int32_t ParseSignedDecimal(std::string_view text) { return support::ParseCLong(text, 10); }
// Unsigned decimal; beyond the range saturates at UINT32_MAX, a minus sign negates (as strtoul).
inline std::uint32_t ParseUnsignedDecimal(std::string_view text) { return support::ParseCUnsignedLong(text, 10); }
// Unsigned hexadecimal, optional "0x" prefix; otherwise as ParseUnsignedDecimal (as strtoul base 16).
inline std::uint32_t ParseHex(std::string_view text) { return support::ParseCUnsignedLong(text, 16); }

}  // namespace model
