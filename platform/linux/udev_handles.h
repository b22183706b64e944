#pragma once
// RAII owners for libudev objects.
#include <libudev.h>

#include <memory>
#include <string>

namespace platform::linux_backend {

struct UdevUnref { void operator()(udev* p) const { udev_unref(p); } };
struct UdevDeviceUnref { void operator()(udev_device* p) const { udev_device_unref(p); } };
struct UdevEnumerateUnref { void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); } };
struct UdevMonitorUnref { void operator()(udev_monitor* p) const { udev_monitor_unref(p); } };

using UdevPtr = std::unique_ptr<udev, UdevUnref>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeviceUnref>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevEnumerateUnref>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevMonitorUnref>;

// A new libudev context; null (and logged) when it cannot be made.
UdevPtr NewUdev();

// A property or attribute value as a string ("" when missing).
std::string PropertyOf(udev_device* device, const char* name);
std::string AttributeOf(udev_device* device, const char* name);

}  // namespace platform::linux_backend
