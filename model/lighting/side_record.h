#pragma once
// One side-light effect's setting. The brightness travels in a nibble, so 0 to 15 fit.
#include <cstdint>

namespace model {

struct SideRecord {
  std::uint8_t brightness = 0;

  friend bool operator==(const SideRecord&, const SideRecord&) = default;
};

}  // namespace model
