#pragma once
// The evdev nodes (/dev/input/eventN) the HID input layer made for one keyboard: those whose
// parent HID device has the given vendor and product. Read from sysfs through libudev.
#include <cstdint>
#include <string>
#include <vector>

namespace platform::linux_backend {

std::vector<std::string> FindKeyboardEventNodes(std::uint16_t vendorId, std::uint16_t productId);

}  // namespace platform::linux_backend
