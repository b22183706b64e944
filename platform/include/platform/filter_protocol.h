#pragma once
// The key filter driver's request protocol, which the key filter channel speaks and every backend's
// driver (the real one, the emulated one, the Linux grab) answers. Control codes are buffered,
// device type FILE_DEVICE_UNKNOWN; their access bits say what the handle must allow.
#include <cstdint>

namespace platform {

inline constexpr wchar_t kFilterDevicePath[] = L"\\\\.\\vhidflt";

// 0x226008 starts a monitoring run and ends recording mode; 0x226010 puts the driver in recording
// mode, in which every key is reported (the macro editor records keys that have no assignment).
inline constexpr std::uint32_t kFilterRequestPrepare = 0x226008;       // read access, no buffers
inline constexpr std::uint32_t kFilterRequestArm = 0x22600C;           // read access, no buffers
inline constexpr std::uint32_t kFilterRequestSetMode = 0x226010;       // read access, 4-byte input
inline constexpr std::uint32_t kFilterRequestReadKeyEvent = 0x226044;  // read access, 4-byte event output
inline constexpr std::uint32_t kFilterRequestCaptureTable = 0x22A000;  // write access, table input

}  // namespace platform
