#pragma once
// Control codes of the key filter driver (buffered, device type FILE_DEVICE_UNKNOWN) and its
// device path. What the three mode requests do inside the driver is the driver's business; the
// channel only sends them in the order its callers need.
#include <cstdint>

namespace HidUsbFilter {

inline constexpr wchar_t kFilterDevicePath[] = L"\\\\.\\vhidflt";

inline constexpr std::uint32_t kRequestPrepare = 0x226008;       // read access, no buffers
inline constexpr std::uint32_t kRequestArm = 0x22600C;           // read access, no buffers
inline constexpr std::uint32_t kRequestSetMode = 0x226010;       // read access, 4-byte input
inline constexpr std::uint32_t kRequestReadKeyEvent = 0x226044;  // read access, 4-byte KeyEvent output
inline constexpr std::uint32_t kRequestCaptureTable = 0x22A000;  // write access, table input

// Access word of the channel: read and write.
inline constexpr std::uint32_t kChannelAccessWord = 0xC0000000;

}  // namespace HidUsbFilter
