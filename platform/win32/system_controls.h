#pragma once
// The system controls of the virtual device (generic desktop page) as Windows power actions.
#include <cstdint>

namespace platform::win32 {

class SystemControls {
 public:
  virtual ~SystemControls() = default;
  // One press of 0x81 System Power, 0x82 System Sleep or 0x83 System Wake.
  virtual void Press(std::uint16_t usage) = 0;
};

// Windows' own: Sleep puts the computer to sleep; Power does what the power plan gives the power
// button (nothing, sleep, hibernate or shut down), as a power button on a keyboard would; Wake has
// nothing to do on a computer that runs. Refusals (no privilege, no sleep state) are logged.
SystemControls& WindowsSystemControls();

}  // namespace platform::win32
