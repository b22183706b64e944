#pragma once
// Finds the program's virtual HID device among the present interfaces of a class: vendor 0xDEED,
// product 0xFEED, top-level usage page 0xFF00, usage 0x01. Prints its progress lines.
#include <memory>

#include "platform/guid.h"
#include "platform/report_device.h"

namespace hostdrv {

inline constexpr std::uint16_t kVirtualDeviceVendor = 0xDEED;
inline constexpr std::uint16_t kVirtualDeviceProduct = 0xFEED;
inline constexpr std::uint16_t kVirtualDeviceUsagePage = 0xFF00;
inline constexpr std::uint16_t kVirtualDeviceUsage = 0x01;

// The matching device, opened; when several match, the last one listed. Null when none matches.
std::unique_ptr<platform::ReportDevice> FindVirtualDevice(platform::ReportDeviceSystem& system,
                                                          const platform::Guid& interfaceClass);

}  // namespace hostdrv
