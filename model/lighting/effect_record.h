#pragma once
// One main lighting effect's settings, in the byte order the start-up effect report carries them.
#include <cstdint>

namespace model {

struct EffectRecord {
  std::uint8_t brightness = 0;
  std::uint8_t speed = 0;
  std::uint8_t deriction = 0;  // direction; stored and saved, never sent
  std::uint8_t selection = 0;

  friend bool operator==(const EffectRecord&, const EffectRecord&) = default;
};

}  // namespace model
