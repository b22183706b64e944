#pragma once
// The HID class through SetupAPI (listing), CreateFileW with overlapped I/O (opening), the HID
// class library (attributes, capabilities, feature reports) and device notifications (watching).
//
// Under Wine 8, whose HID class makes one device of all the top-level collections of a HID
// interface (no "&colNN" in its path), such a device is listed once per collection under the
// name Windows gives it (see merged_collections.h); opening one of those names opens the device,
// whose capabilities then report that collection's usage. Windows' own paths pass unchanged.
#include <map>
#include <mutex>
#include <string>

#include "platform/hid.h"

namespace platform::win32 {

class WinHidSystem final : public HidSystem {
 public:
  bool ListInterfaces(std::vector<HidInterfaceEntry>& out, Guid& classGuid) override;
  std::unique_ptr<HidHandle> Open(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t& error) override;
  std::unique_ptr<Subscription> WatchInterfaces(
      std::function<void(DeviceChange change, const std::wstring& path)> onChange) override;

 private:
  struct CollectionOfDevice {
    std::wstring devicePath;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
  };

  // The entries of one listed interface: itself, or one per collection of a merged device.
  std::vector<HidInterfaceEntry> EntriesOf(HidInterfaceEntry entry);

  std::mutex mutex_;
  std::map<std::wstring, CollectionOfDevice> collections_;  // listed collection path -> device
};

}  // namespace platform::win32
