#pragma once
// Lists the present HID interfaces that match a device selector, in the system's enumeration order.
#include <cstdint>
#include <span>
#include <vector>

#include "device/discovery/hid_interface_record.h"
#include "model/config/device_selector.h"
#include "platform/hid.h"

namespace device {

// Selector rules:
//  - pids: the path's product must be one of them; an empty list accepts any product, but then a
//    vid of 0 or less returns nothing at once, without listing the system's interfaces;
//  - vid > 0: the path's vendor must equal it;
//  - interface / collection: -1 accepts any; 0 or more must equal the path's &mi_ / &col number
//    (a path without that part never matches); any other negative value matches nothing.
// Every match is opened once to read its release number and top-level usage; one that does not
// open is still listed, with those fields 0.
std::vector<HidInterfaceRecord> EnumerateHidInterfaces(platform::HidSystem& system, std::int32_t vid,
                                                       std::span<const std::int32_t> pids, std::int32_t interface,
                                                       std::int32_t collection);

// The PID list a selector stands for: its pid, or none when that is 0.
std::vector<std::int32_t> SelectorPidList(const model::DeviceSelector& selector);

// EnumerateHidInterfaces with the selector's four numbers.
std::vector<HidInterfaceRecord> EnumerateHidInterfaces(platform::HidSystem& system,
                                                       const model::DeviceSelector& selector);

}  // namespace device
