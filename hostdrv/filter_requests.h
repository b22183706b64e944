#pragma once
// Control codes of the key filter driver (buffered, device type FILE_DEVICE_UNKNOWN) and its
// device path. What the three mode requests do inside the driver is the driver's business; the
// channel only sends them in the order its callers need.
#include <cstdint>

#include "platform/filter_protocol.h"

namespace HidUsbFilter {

using platform::kFilterDevicePath;

inline constexpr std::uint32_t kRequestPrepare = platform::kFilterRequestPrepare;
inline constexpr std::uint32_t kRequestArm = platform::kFilterRequestArm;
inline constexpr std::uint32_t kRequestSetMode = platform::kFilterRequestSetMode;
inline constexpr std::uint32_t kRequestReadKeyEvent = platform::kFilterRequestReadKeyEvent;
inline constexpr std::uint32_t kRequestCaptureTable = platform::kFilterRequestCaptureTable;

// Access word of the channel: read and write.
inline constexpr std::uint32_t kChannelAccessWord = 0xC0000000;

}  // namespace HidUsbFilter
