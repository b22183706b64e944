#pragma once
// Whether a device-change notification concerns the configured keyboard.
#include <string>

#include "model/config/device_selector.h"

namespace ui {

enum class DeviceMatch {
  kNotHid,    // the path is not a HID interface path: the change is ignored
  kOther,     // another HID interface
  kKeyboard,  // the configured keyboard's interface
};

// A path matches when its vendor equals the configured one (a configured vendor of 0 is not
// compared), likewise its product, its interface equals the configured interface unless the path
// has none, and its collection equals the configured subdevice unless the path has none.
DeviceMatch MatchDevicePath(const std::wstring& path, const model::DeviceSelector& selector);

}  // namespace ui
