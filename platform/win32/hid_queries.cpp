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

std::vector<LinkCollection> QueryLinkCollections(HANDLE device) {
  std::vector<LinkCollection> nodes;
  PreparsedData preparsed;
  if (!HidD_GetPreparsedData(device, preparsed.out())) {
    LogWinFailure("HidD_GetPreparsedData", GetLastError());
    return nodes;
  }
  HIDP_CAPS caps{};
  NTSTATUS status = HidP_GetCaps(preparsed.get(), &caps);
  if (status != HIDP_STATUS_SUCCESS) {
    LogWinFailure("HidP_GetCaps", static_cast<std::uint32_t>(status));
    return nodes;
  }
  std::vector<HIDP_LINK_COLLECTION_NODE> raw(caps.NumberLinkCollectionNodes);
  ULONG count = static_cast<ULONG>(raw.size());
  status = raw.empty() ? HIDP_STATUS_SUCCESS : HidP_GetLinkCollectionNodes(raw.data(), &count, preparsed.get());
  if (status != HIDP_STATUS_SUCCESS) {
    LogWinFailure("HidP_GetLinkCollectionNodes", static_cast<std::uint32_t>(status));
    return nodes;
  }
  for (ULONG i = 0; i < count && i < raw.size(); ++i) {
    nodes.push_back({raw[i].LinkUsagePage, raw[i].LinkUsage, raw[i].Parent,
                     static_cast<std::uint8_t>(raw[i].CollectionType)});
  }
  return nodes;
}

}  // namespace platform::win32
