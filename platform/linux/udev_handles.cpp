#include "platform/linux/udev_handles.h"

#include <cerrno>
#include <cstring>

#include "support/logger.h"

namespace platform::linux_backend {

UdevPtr NewUdev() {
  UdevPtr context(udev_new());
  if (!context) support::LogFailure("udev_new", std::strerror(errno));
  return context;
}

std::string PropertyOf(udev_device* device, const char* name) {
  const char* value = device ? udev_device_get_property_value(device, name) : nullptr;
  return value ? value : "";
}

std::string AttributeOf(udev_device* device, const char* name) {
  const char* value = device ? udev_device_get_sysattr_value(device, name) : nullptr;
  return value ? value : "";
}

}  // namespace platform::linux_backend
