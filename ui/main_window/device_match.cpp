#include "ui/main_window/device_match.h"

#include "device/discovery/device_path.h"

namespace ui {

DeviceMatch MatchDevicePath(const std::wstring& path, const model::DeviceSelector& selector) {
  const std::optional<device::DevicePathIds> ids = device::ParseDevicePath(path);
  if (!ids) return DeviceMatch::kNotHid;
  const bool matches = (selector.vid == 0 || ids->vid == selector.vid) &&
                       (selector.pid == 0 || ids->pid == selector.pid) &&
                       (ids->interface == -1 || ids->interface == selector.interface) &&
                       (ids->collection == -1 || ids->collection == selector.subdevice);
  return matches ? DeviceMatch::kKeyboard : DeviceMatch::kOther;
}

}  // namespace ui
