#pragma once
// The HID class through SetupAPI (listing), CreateFileW with overlapped I/O (opening), the HID
// class library (attributes, capabilities, feature reports) and device notifications (watching).
#include "platform/hid.h"

namespace platform::win32 {

class WinHidSystem final : public HidSystem {
 public:
  bool ListInterfaces(std::vector<HidInterfaceEntry>& out, Guid& classGuid) override;
  std::unique_ptr<HidHandle> Open(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t& error) override;
  std::unique_ptr<Subscription> WatchInterfaces(
      std::function<void(DeviceChange change, const std::wstring& path)> onChange) override;
};

}  // namespace platform::win32
