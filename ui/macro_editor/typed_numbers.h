#pragma once
// Reading a step delay typed into the step list.
#include <optional>
#include <string_view>

namespace macro {

// The number at the start of `text`, read like the C library's "%d": leading white space skipped,
// an optional sign, then digits; anything after them ignored ("25ms" gives 25). An empty or
// all-blank text counts as 0. Nullopt when no number can be read ("x"). Values beyond the int
// range saturate.
std::optional<int> ReadDelayText(std::wstring_view text);

}  // namespace macro
