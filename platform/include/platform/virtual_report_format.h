#pragma once
// The 64-byte output report of the program's virtual HID device, as the program writes it and the
// device reads it: byte 0 the report ID 0x05, byte 1 the ID of the inner report, then the inner
// report's data, zeros to the end.
#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::uint8_t kVirtualOutputReportId = 0x05;
inline constexpr std::size_t kVirtualOutputReportLength = 64;

// Inner reports.
inline constexpr std::uint8_t kVirtualKeyboardReportId = 1;  // data byte 0 unused, bytes 1-32 the usage bitmap
inline constexpr std::uint8_t kVirtualMouseReportId = 2;     // buttons, X, Y, wheel
inline constexpr std::uint8_t kVirtualConsumerReportId = 3;  // the consumer usage held (16-bit little-endian)
inline constexpr std::uint8_t kVirtualSystemReportId = 4;    // the system-control usage held (16-bit)

inline constexpr std::size_t kVirtualKeyboardBitmapBytes = 32;  // keyboard usages 0x00-0xFF

}  // namespace platform
