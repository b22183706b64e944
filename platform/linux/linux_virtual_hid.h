#pragma once
// The program's virtual HID device on Linux: a uinput keyboard + mouse behind the report-device
// seam. It is listed as one HID interface (vendor 0xDEED, product 0xFEED, usage page 0xFF00,
// usage 0x01) while /dev/uinput exists; opening it creates the uinput device, and every 64-byte
// output report written to it becomes input events (virtual_report_translator.h). Closing it
// removes the device, which releases what it held down.
#include "platform/portable/virtual_report_device.h"
#include "platform/report_device.h"

namespace platform::linux_backend {

extern const wchar_t* const kVirtualDevicePath;
using portable::kVirtualProductId;
using portable::kVirtualVendorId;
inline constexpr char kVirtualDeviceName[] = "kbconfig virtual HID";

class LinuxVirtualHid final : public ReportDeviceSystem {
 public:
  Guid HidClassGuid() override;
  InterfaceListOutcome ListPresentInterfaces(const Guid& interfaceClass, std::vector<std::wstring>& paths) override;
  std::unique_ptr<ReportDevice> OpenReportDevice(const std::wstring& path, std::uint32_t& error) override;
};

}  // namespace platform::linux_backend
