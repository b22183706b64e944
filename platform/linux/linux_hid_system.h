#pragma once
// The HID class on Linux: hidraw nodes under Windows-form interface paths.
#include "platform/hid.h"

namespace platform::linux_backend {

class LinuxHidSystem final : public HidSystem {
 public:
  // Told the vendor and product of every interface opened with read or write access (the default
  // backend lets the key filter follow the keyboard the program talks to).
  using OpenObserver = std::function<void(std::uint16_t vendorId, std::uint16_t productId)>;

  explicit LinuxHidSystem(OpenObserver onOpened = {}) : onOpened_(std::move(onOpened)) {}

  bool ListInterfaces(std::vector<HidInterfaceEntry>& out, Guid& classGuid) override;
  std::unique_ptr<HidHandle> Open(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t& error) override;
  std::unique_ptr<Subscription> WatchInterfaces(
      std::function<void(DeviceChange change, const std::wstring& path)> onChange) override;

 private:
  OpenObserver onOpened_;
};

}  // namespace platform::linux_backend
