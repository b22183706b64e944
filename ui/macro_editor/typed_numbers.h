#pragma once
// Numbers the user types into the macro editor: step delays, the fixed delay, the repeat count.
#include <optional>
#include <string_view>

namespace macro {

// The longest delay a step or the fixed delay may have: one hour, in milliseconds.
inline constexpr int kMaxDelayMs = 3'600'000;

// The number at the start of `text`, read like the C library's "%d": leading white space skipped,
// an optional sign, then digits; anything after them ignored ("25ms" gives 25). An empty or
// all-blank text counts as 0. Nullopt when no number can be read ("x"). Values beyond the int
// range saturate.
std::optional<int> ReadDelayText(std::wstring_view text);

// A delay as ReadDelayText reads it, when it lies from 0 to kMaxDelayMs; otherwise nullopt.
std::optional<int> ReadDelayInRange(std::wstring_view text);

// A repeat count: the number at the start of `text` when it lies from 1 to 9999 (an empty text
// reads as 0, so it is none); otherwise nullopt.
std::optional<int> ReadRepeatCount(std::wstring_view text);

}  // namespace macro
