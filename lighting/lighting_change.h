#pragma once
// One change of the keyboard's lighting, as the panel, the command line or an OpenRGB client asks
// for it: the effect (or side effect) to choose, and the values to store in its record. A value
// left empty keeps what the record holds.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/lighting/effect_record.h"
#include "model/lighting/side_record.h"

namespace lighting {

// Who asked; the window shows changes that did not come from itself.
enum class ChangeSource { kPanel, kCommandLine, kOpenRgb, kProfile };

struct EffectChange {
  int effect = -1;
  std::optional<std::uint8_t> speed{};
  std::optional<std::uint8_t> brightness{};
  std::optional<std::uint8_t> direction{};
  std::optional<std::uint8_t> colour{};  // the record's selection
};

struct SideChange {
  int side = -1;
  std::optional<std::uint8_t> level{};  // the side record's one value (speed or brightness)
};

// The whole lighting as stored, read at one moment.
struct LightingState {
  int effect = -1;  // the chosen effect (0 to 19 have a record)
  std::array<model::EffectRecord, 20> effects{};
  int side = -1;    // the chosen side effect (0 to 11 have a record)
  std::array<model::SideRecord, 12> sides{};

  std::optional<model::EffectRecord> ChosenEffect() const;
  std::optional<model::SideRecord> ChosenSide() const;
};

// Why a change asked for from outside the window cannot be made: the value's name ("effect",
// "speed", ...), the value, and the values it may take. Such changes must name an effect with a
// record and give only values that effect takes, within their ranges.
struct ChangeProblem {
  std::string what{};
  int value = 0;
  int lowest = 0;
  int highest = 0;
  bool notOffered = false;  // the effect takes no such value at all

  std::string Text() const;
};
std::optional<ChangeProblem> ProblemWith(const EffectChange& change);
std::optional<ChangeProblem> ProblemWith(const SideChange& change);

}  // namespace lighting
