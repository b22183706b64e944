#pragma once
// The 64-byte output report the virtual HID device accepts: byte 0 is its report ID 0x05, then the
// inner report ID (when nonzero) and the inner report's data, zero-filled to 64 bytes.
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/virtual_report_format.h"

namespace hostdrv {

inline constexpr std::size_t kVirtualOutputReportBytes = platform::kVirtualOutputReportLength;
inline constexpr std::uint8_t kVirtualOutputReportId = platform::kVirtualOutputReportId;
using VirtualOutputReport = std::array<std::uint8_t, kVirtualOutputReportBytes>;

// `data` is cut to 62 bytes (reportId nonzero) or 63 bytes (reportId 0).
VirtualOutputReport BuildVirtualOutputReport(const std::uint8_t* data, std::size_t length, std::uint8_t reportId);

}  // namespace hostdrv
