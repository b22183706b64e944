#pragma once
// One Linux input event without its time stamp (the kernel stamps what a uinput device emits).
#include <cstdint>

namespace platform::linux_backend {

struct InputEvent {
  std::uint16_t type = 0;
  std::uint16_t code = 0;
  std::int32_t value = 0;
  friend bool operator==(const InputEvent&, const InputEvent&) = default;
};

}  // namespace platform::linux_backend
