#pragma once
// What each lighting effect offers the user, in one place for the lighting panel, the command
// line and the OpenRGB server: which values an effect takes and their ranges (those of the
// panel's sliders and of the files).
#include <cstdint>
#include <optional>
#include <string_view>

namespace lighting {

// Effects 0 to 19 have a record and reach the keyboard; 20 ("Lights off") is the store's "no
// effect chosen" and 21 ("Loading bar") only a page of the panel: neither has a record.
inline constexpr int kEffectCount = 20;
inline constexpr int kNoEffect = 20;
inline constexpr int kSideEffectCount = 12;

struct Range {
  int lowest;
  int highest;
  bool Contains(int value) const { return value >= lowest && value <= highest; }
};

inline constexpr Range kSpeedRange{0, 4};
inline constexpr Range kBrightnessRange{0, 4};
inline constexpr Range kDirectionRange{0, 1};  // 0 left, 1 right
inline constexpr Range kColourRange{1, 2};     // the stored colour selection (loading keeps 1 or 2)
inline constexpr Range kSideLevelRange{0, 7};  // the side light's one value (speed or brightness)

// The values the panel offers for an effect: Static (0) a brightness, effects 1 to 19 a speed and
// a brightness, the others nothing.
struct EffectValues {
  bool speed = false;
  bool brightness = false;
};
EffectValues ValuesOfEffect(int effect);

// The side light's one value is a speed for side effects 0 to 2 and a brightness for the others.
enum class SideLevel { kSpeed, kBrightness };
SideLevel SideLevelOf(int sideEffect);

// "left" and "right" for direction 0 and 1; nullopt for other values or words.
std::string_view DirectionName(int direction);
std::optional<int> DirectionFromName(std::string_view name);

}  // namespace lighting
