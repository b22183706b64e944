#pragma once
// The program's virtual HID device as a backend without its driver presents it: one interface of
// the HID class with the identity the device search checks (vendor 0xDEED, product 0xFEED,
// top-level usage page 0xFF00, usage 0x01) that takes whole 64-byte output reports with ID 0x05.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/report_device.h"
#include "platform/virtual_report_format.h"

namespace platform::portable {

inline constexpr std::uint16_t kVirtualVendorId = 0xDEED;
inline constexpr std::uint16_t kVirtualProductId = 0xFEED;

class VirtualReportDevice : public ReportDevice {
 public:
  bool GetAttributes(HidAttributes& attributes) final;
  CapsOutcome GetCaps(HidCaps& caps) final;
  // Anything but a 64-byte report with ID 0x05 is refused with `invalidParameter` and logged.
  bool WriteReport(const std::uint8_t* report, std::size_t length, std::uint32_t& error) final;

 protected:
  // `invalidParameter`: the OS error code for a refused report.
  explicit VirtualReportDevice(std::uint32_t invalidParameter) : invalidParameter_(invalidParameter) {}
  // Turns one whole output report into input.
  virtual bool WriteOutputReport(std::span<const std::uint8_t> report, std::uint32_t& error) = 0;

 private:
  std::uint32_t invalidParameter_;
};

// The listing of a system whose one HID interface is `path`, present when `present`.
InterfaceListOutcome ListVirtualInterface(const Guid& interfaceClass, bool present, const wchar_t* path,
                                          std::vector<std::wstring>& paths);

}  // namespace platform::portable
