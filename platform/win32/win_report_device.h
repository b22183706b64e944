#pragma once
// Present HID interfaces through the configuration manager (CM_Get_Device_Interface_List*),
// opened for synchronous writes of whole output reports.
#include "platform/report_device.h"

namespace platform::win32 {

class WinReportDeviceSystem final : public ReportDeviceSystem {
 public:
  Guid HidClassGuid() override;
  InterfaceListOutcome ListPresentInterfaces(const Guid& interfaceClass, std::vector<std::wstring>& paths) override;
  std::unique_ptr<ReportDevice> OpenReportDevice(const std::wstring& path, std::uint32_t& error) override;
};

// Splits a configuration-manager list ("path\0path\0\0") into its paths.
std::vector<std::wstring> SplitMultiString(const wchar_t* list, std::size_t length);

}  // namespace platform::win32
