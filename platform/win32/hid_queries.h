#pragma once
// Attribute and capability queries shared by every open HID interface.
#include "platform/hid.h"
#include "platform/report_device.h"
#include "platform/win32/win_api.h"

namespace platform::win32 {

// HidD_GetAttributes. False (logged) when the class driver refused.
bool QueryHidAttributes(HANDLE device, HidAttributes& attributes);
// HidD_GetPreparsedData + HidP_GetCaps; `caps` is changed only when both succeeded.
CapsOutcome QueryHidCaps(HANDLE device, HidCaps& caps);

}  // namespace platform::win32
