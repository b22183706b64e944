#pragma once
// English texts the macro editor shows from more than one place (translated where shown).
namespace macro {

inline constexpr const char* kRepeatRangeText = "The repeat count must be a whole number from 1 to 9999.";
inline constexpr const char* kDelayRangeText = "A delay must be a whole number of milliseconds from 0 to 3600000.";

}  // namespace macro
