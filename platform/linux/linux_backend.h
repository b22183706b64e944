#pragma once
// Entry points of the Linux backend beyond the seam's default accessors.
#include <cstdint>

#include "platform/linux/linux_key_filter.h"

namespace platform::linux_backend {

// The key filter behind DefaultFilterDeviceSystem(). It grabs the keyboard that the program last
// opened through DefaultHidSystem() with read or write access; SetKeyboard on it chooses one
// explicitly.
LinuxKeyFilter& DefaultKeyFilter();

}  // namespace platform::linux_backend
