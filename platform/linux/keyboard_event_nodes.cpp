#include "platform/linux/keyboard_event_nodes.h"

#include <cerrno>
#include <cstring>

#include "platform/linux/interface_path.h"
#include "platform/linux/udev_handles.h"
#include "support/logger.h"

namespace platform::linux_backend {

std::vector<std::string> FindKeyboardEventNodes(std::uint16_t vendorId, std::uint16_t productId) {
  std::vector<std::string> nodes;
  UdevPtr context = NewUdev();
  if (!context) return nodes;
  UdevEnumeratePtr enumerate(udev_enumerate_new(context.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "input") < 0 ||
      udev_enumerate_add_match_sysname(enumerate.get(), "event*") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    support::LogFailure("udev enumerate input", std::strerror(errno));
    return nodes;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    UdevDevicePtr device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!device) continue;
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device.get(), "hid", nullptr);
    const std::optional<HidId> id = ParseHidId(PropertyOf(hid, "HID_ID"));
    const char* devnode = udev_device_get_devnode(device.get());
    if (id && devnode != nullptr && id->vendorId == vendorId && id->productId == productId) nodes.push_back(devnode);
  }
  return nodes;
}

}  // namespace platform::linux_backend
