#pragma once
// The hidraw nodes present in the system, read from sysfs through libudev (no node is opened, and
// no udev daemon is needed for listing).
#include <libudev.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/interface_path.h"
#include "platform/linux/report_descriptor.h"

namespace platform::linux_backend {

struct HidrawNode {
  HidrawIdentity identity;
  std::string devnode;                     // "/dev/hidraw3"
  std::uint16_t versionNumber = 0;         // bcdDevice of a USB device, else 0
  std::vector<TopLevelCollection> collections;  // at least one entry
};

// The node's description; nothing when it is not a hidraw node of a HID device.
std::optional<HidrawNode> DescribeHidrawNode(udev_device* hidraw);

// Every present hidraw node in the order of their sysfs paths.
std::vector<HidrawNode> ListHidrawNodes(udev& context);

// The node called `hidrawName` now, when present.
std::optional<HidrawNode> FindHidrawNode(udev& context, const std::string& hidrawName);

// One interface path per top-level collection.
std::vector<std::wstring> InterfacePathsOf(const HidrawNode& node);

}  // namespace platform::linux_backend
