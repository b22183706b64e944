#include "platform/win32/hid_queries.h"

#include "platform/win32/unique_handle.h"
#include "platform/win32/win_error.h"

namespace platform::win32 {

bool QueryHidAttributes(HANDLE device, HidAttributes& attributes) {
  HIDD_ATTRIBUTES raw{};
  raw.Size = sizeof(raw);
  if (!HidD_GetAttributes(device, &raw)) {
    LogWinFailure("HidD_GetAttributes", GetLastError());
    return false;
  }
  attributes.vendorId = raw.VendorID;
  attributes.productId = raw.ProductID;
  attributes.versionNumber = raw.VersionNumber;
  return true;
}

CapsOutcome QueryHidCaps(HANDLE device, HidCaps& caps) {
  PreparsedData preparsed;
  if (!HidD_GetPreparsedData(device, preparsed.out())) {
    LogWinFailure("HidD_GetPreparsedData", GetLastError());
    return CapsOutcome::kNoPreparsedData;
  }
  HIDP_CAPS raw{};
  const NTSTATUS status = HidP_GetCaps(preparsed.get(), &raw);
  if (status != HIDP_STATUS_SUCCESS) {
    LogWinFailure("HidP_GetCaps", static_cast<std::uint32_t>(status));
    return CapsOutcome::kCapsFailed;
  }
  caps.usage = raw.Usage;
  caps.usagePage = raw.UsagePage;
  caps.inputReportByteLength = raw.InputReportByteLength;
  caps.outputReportByteLength = raw.OutputReportByteLength;
  caps.featureReportByteLength = raw.FeatureReportByteLength;
  return CapsOutcome::kRead;
}

}  // namespace platform::win32
