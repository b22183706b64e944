#pragma once
// The key filter driver's control device through overlapped DeviceIoControl. Every request has
// its own OVERLAPPED and manual-reset event, so requests sent from two threads over one handle
// never take each other's completion. Abort events are auto-reset Windows events.
#include "platform/filter_device.h"

namespace platform::win32 {

class WinFilterDeviceSystem final : public FilterDeviceSystem {
 public:
  std::unique_ptr<AbortEvent> CreateAbortEvent() override;
  std::unique_ptr<FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                 std::uint32_t& error) override;
};

}  // namespace platform::win32
