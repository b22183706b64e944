#include "hostdrv/find_virtual_device.h"

#include <string>
#include <vector>

#include "support/logger.h"

namespace hostdrv {

namespace {

using ListKind = platform::InterfaceListOutcome::Kind;

bool ReportListFailure(const platform::InterfaceListOutcome& outcome) {
  switch (outcome.kind) {
    case ListKind::kListed:
      return false;
    case ListKind::kSizeFailed:
      support::Log("Error 0x%x retrieving device interface list size.\n", static_cast<unsigned>(outcome.error));
      break;
    case ListKind::kEmpty:
      support::Log("Error: No active device interfaces found.\n Is the sample driver loaded?");
      break;
    case ListKind::kNoMemory:
      support::Log("Error allocating memory for device interface list.\n");
      break;
    case ListKind::kListFailed:
      support::Log("Error 0x%x retrieving device interface list.\n", static_cast<unsigned>(outcome.error));
      break;
  }
  return true;
}

bool IsVirtualDevice(platform::ReportDevice& device) {
  platform::HidAttributes attributes;
  if (!device.GetAttributes(attributes)) {
    support::Log("Error: HidD_GetAttributes failed \n");
    return false;
  }
  support::Log("Device Attributes - PID: 0x%x, VID: 0x%x \n", static_cast<unsigned>(attributes.productId),
               static_cast<unsigned>(attributes.vendorId));
  if (attributes.vendorId != kVirtualDeviceVendor || attributes.productId != kVirtualDeviceProduct) {
    support::Log("Device attributes doesn't match the sample \n");
    return false;
  }
  platform::HidCaps caps;
  switch (device.GetCaps(caps)) {
    case platform::CapsOutcome::kNoPreparsedData:
      support::Log("Error: HidD_GetPreparsedData failed \n");
      return false;
    case platform::CapsOutcome::kCapsFailed:
      support::Log("Error: HidP_GetCaps failed \n");
      return false;
    case platform::CapsOutcome::kRead:
      break;
  }
  if (caps.usagePage != kVirtualDeviceUsagePage || caps.usage != kVirtualDeviceUsage) return false;
  support::Log("Success: Found my device.. \n");
  return true;
}

}  // namespace

std::unique_ptr<platform::ReportDevice> FindVirtualDevice(platform::ReportDeviceSystem& system,
                                                          const platform::Guid& interfaceClass) {
  std::vector<std::wstring> paths;
  if (ReportListFailure(system.ListPresentInterfaces(interfaceClass, paths))) return nullptr;

  support::Log("\n....looking for our HID device (with UP=0x%04X and Usage=0x%02X)\n",
               static_cast<unsigned>(kVirtualDeviceUsagePage), static_cast<unsigned>(kVirtualDeviceUsage));
  std::unique_ptr<platform::ReportDevice> found;
  for (const std::wstring& path : paths) {
    std::uint32_t error = 0;
    std::unique_ptr<platform::ReportDevice> candidate = system.OpenReportDevice(path, error);
    if (!candidate) {
      support::Log("Warning: CreateFile failed: %d\n", static_cast<int>(error));
      continue;
    }
    // A later match replaces (and closes) an earlier one; a non-match closes at once.
    if (IsVirtualDevice(*candidate)) found = std::move(candidate);
  }
  return found;
}

}  // namespace hostdrv
