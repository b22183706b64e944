#include "lighting/lighting_change.h"

#include "lighting/effect_catalogue.h"

namespace lighting {

namespace {

std::optional<ChangeProblem> OutOfRange(const char* what, const std::optional<std::uint8_t>& value, Range range) {
  if (!value || range.Contains(*value)) return std::nullopt;
  return ChangeProblem{.what = what, .value = *value, .lowest = range.lowest, .highest = range.highest};
}

std::optional<ChangeProblem> NotOffered(const char* what, const std::optional<std::uint8_t>& value, bool offered) {
  if (!value || offered) return std::nullopt;
  return ChangeProblem{.what = what, .value = *value, .notOffered = true};
}

}  // namespace

std::optional<model::EffectRecord> LightingState::ChosenEffect() const {
  if (effect < 0 || effect >= static_cast<int>(effects.size())) return std::nullopt;
  return effects[static_cast<std::size_t>(effect)];
}

std::optional<model::SideRecord> LightingState::ChosenSide() const {
  if (side < 0 || side >= static_cast<int>(sides.size())) return std::nullopt;
  return sides[static_cast<std::size_t>(side)];
}

std::string ChangeProblem::Text() const {
  if (notOffered) return what + " is not a setting of this effect";
  return what + " " + std::to_string(value) + " is out of range (" + std::to_string(lowest) + " to " +
         std::to_string(highest) + ")";
}

std::optional<ChangeProblem> ProblemWith(const EffectChange& change) {
  if (change.effect < 0 || change.effect >= kEffectCount) {
    return ChangeProblem{.what = "effect", .value = change.effect, .lowest = 0, .highest = kEffectCount - 1};
  }
  const EffectValues offered = ValuesOfEffect(change.effect);
  for (std::optional<ChangeProblem> problem :
       {NotOffered("speed", change.speed, offered.speed), OutOfRange("speed", change.speed, kSpeedRange),
        NotOffered("brightness", change.brightness, offered.brightness),
        OutOfRange("brightness", change.brightness, kBrightnessRange),
        OutOfRange("direction", change.direction, kDirectionRange),
        OutOfRange("colour", change.colour, kColourRange)}) {
    if (problem) return problem;
  }
  return std::nullopt;
}

std::optional<ChangeProblem> ProblemWith(const SideChange& change) {
  if (change.side < 0 || change.side >= kSideEffectCount) {
    return ChangeProblem{.what = "side effect", .value = change.side, .lowest = 0, .highest = kSideEffectCount - 1};
  }
  const char* what = SideLevelOf(change.side) == SideLevel::kSpeed ? "speed" : "brightness";
  return OutOfRange(what, change.level, kSideLevelRange);
}

}  // namespace lighting
