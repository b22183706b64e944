#pragma once
// SetupDiGetDeviceInterfaceDetailW checks `cbSize` against the size of the structure's fixed
// header for the width of the build: 6 bytes for 32-bit code (the structure is packed to 1
// there), 8 for 64-bit code (a DWORD and one WCHAR, padded to the DWORD's alignment). Any other
// value makes the call fail with ERROR_INVALID_USER_BUFFER.
#include <cstddef>

#include "platform/win32/win_api.h"

namespace platform::win32 {

inline constexpr std::size_t RoundUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

inline constexpr DWORD kInterfaceDetailHeaderSize = static_cast<DWORD>(
    RoundUp(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + sizeof(WCHAR),
            alignof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)));

static_assert(kInterfaceDetailHeaderSize == (sizeof(void*) == 4 ? 6 : 8),
              "the interface detail header is 6 bytes on 32-bit Windows and 8 on 64-bit Windows");
static_assert(kInterfaceDetailHeaderSize == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W));

}  // namespace platform::win32
