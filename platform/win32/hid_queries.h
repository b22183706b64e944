#pragma once
// Attribute and capability queries shared by every open HID interface.
#include <vector>

#include "platform/hid.h"
#include "platform/report_device.h"
#include "platform/win32/merged_collections.h"
#include "platform/win32/win_api.h"

namespace platform::win32 {

// HidD_GetAttributes. False (logged) when the class driver refused.
bool QueryHidAttributes(HANDLE device, HidAttributes& attributes);
// HidD_GetPreparsedData + HidP_GetCaps; `caps` is changed only when both succeeded.
CapsOutcome QueryHidCaps(HANDLE device, HidCaps& caps);
// The link collection nodes of the interface's preparsed data; empty (logged) when unreadable.
std::vector<LinkCollection> QueryLinkCollections(HANDLE device);

}  // namespace platform::win32
