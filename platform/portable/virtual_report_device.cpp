#include "platform/portable/virtual_report_device.h"

#include "support/logger.h"

namespace platform::portable {

namespace {
constexpr std::uint16_t kVendorUsagePage = 0xFF00;
constexpr std::uint16_t kVendorUsage = 0x01;
constexpr std::uint16_t kVersion = 0x0100;
}  // namespace

bool VirtualReportDevice::GetAttributes(HidAttributes& attributes) {
  attributes = HidAttributes{kVirtualVendorId, kVirtualProductId, kVersion};
  return true;
}

CapsOutcome VirtualReportDevice::GetCaps(HidCaps& caps) {
  caps = HidCaps{};
  caps.usagePage = kVendorUsagePage;
  caps.usage = kVendorUsage;
  caps.outputReportByteLength = static_cast<std::uint16_t>(kVirtualOutputReportLength);
  return CapsOutcome::kRead;
}

bool VirtualReportDevice::WriteReport(const std::uint8_t* report, std::size_t length, std::uint32_t& error) {
  if (report == nullptr || length != kVirtualOutputReportLength || report[0] != kVirtualOutputReportId) {
    error = invalidParameter_;
    support::LogFailure("virtual HID write", "not a 64-byte output report with ID 5");
    return false;
  }
  return WriteOutputReport({report, length}, error);
}

InterfaceListOutcome ListVirtualInterface(const Guid& interfaceClass, bool present, const wchar_t* path,
                                          std::vector<std::wstring>& paths) {
  InterfaceListOutcome outcome;
  if (!(interfaceClass == kHidInterfaceClass) || !present) {
    outcome.kind = InterfaceListOutcome::Kind::kEmpty;
    return outcome;
  }
  paths.push_back(path);
  outcome.kind = InterfaceListOutcome::Kind::kListed;
  return outcome;
}

}  // namespace platform::portable
