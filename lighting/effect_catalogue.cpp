#include "lighting/effect_catalogue.h"

namespace lighting {

EffectValues ValuesOfEffect(int effect) {
  if (effect == 0) return {.speed = false, .brightness = true};
  if (effect >= 1 && effect < kEffectCount) return {.speed = true, .brightness = true};
  return {};
}

SideLevel SideLevelOf(int sideEffect) { return sideEffect <= 2 ? SideLevel::kSpeed : SideLevel::kBrightness; }

std::string_view DirectionName(int direction) {
  if (direction == 0) return "left";
  if (direction == 1) return "right";
  return {};
}

std::optional<int> DirectionFromName(std::string_view name) {
  if (name == "left") return 0;
  if (name == "right") return 1;
  return std::nullopt;
}

}  // namespace lighting
