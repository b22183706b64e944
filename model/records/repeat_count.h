#pragma once
// How many times a macro may be set to play per press. A count outside the range (a negative one
// would never run out, a huge one plays for hours at full speed) is taken as the nearest bound.
#include <algorithm>

namespace model {

inline constexpr int kMinRepeatCount = 1;
inline constexpr int kMaxRepeatCount = 9999;

constexpr int ClampRepeatCount(int repeat) { return std::clamp(repeat, kMinRepeatCount, kMaxRepeatCount); }

}  // namespace model
