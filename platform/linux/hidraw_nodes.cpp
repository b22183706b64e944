#include "platform/linux/hidraw_nodes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/linux/udev_handles.h"
#include "support/logger.h"

namespace platform::linux_backend {

namespace {

std::optional<std::vector<std::uint8_t>> ReadDescriptor(udev_device* hid) {
  const std::string path = std::string(udev_device_get_syspath(hid)) + "/report_descriptor";
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    support::LogFailure("read report descriptor", path + ": " + std::strerror(errno));
    return std::nullopt;
  }
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<int> UsbInterfaceNumber(udev_device* hidraw) {
  udev_device* usbInterface = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
  const std::string number = AttributeOf(usbInterface, "bInterfaceNumber");
  if (number.empty()) return std::nullopt;
  try {
    return std::stoi(number, nullptr, 16);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::uint16_t UsbVersion(udev_device* hidraw) {
  udev_device* usbDevice = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
  const std::string version = AttributeOf(usbDevice, "bcdDevice");
  if (version.empty()) return 0;
  try {
    return static_cast<std::uint16_t>(std::stoul(version, nullptr, 16));
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

std::optional<HidrawNode> DescribeHidrawNode(udev_device* hidraw) {
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
  const char* devnode = udev_device_get_devnode(hidraw);
  if (hid == nullptr || devnode == nullptr) return std::nullopt;
  const std::optional<HidId> id = ParseHidId(PropertyOf(hid, "HID_ID"));
  if (!id) return std::nullopt;

  HidrawNode node;
  node.devnode = devnode;
  node.identity.vendorId = id->vendorId;
  node.identity.productId = id->productId;
  node.identity.hidName = udev_device_get_sysname(hid);
  node.identity.hidrawName = udev_device_get_sysname(hidraw);
  node.identity.interfaceNumber = UsbInterfaceNumber(hidraw);
  if (!node.identity.interfaceNumber) node.identity.interfaceNumber = InterfaceNumberFromPhys(PropertyOf(hid, "HID_PHYS"));
  node.versionNumber = UsbVersion(hidraw);
  if (auto descriptor = ReadDescriptor(hid)) {
    if (auto collections = ParseReportDescriptor(*descriptor)) node.collections = std::move(*collections);
  }
  // A descriptor that cannot be read still leaves the node reachable as one interface.
  if (node.collections.empty()) node.collections.emplace_back();
  return node;
}

std::vector<HidrawNode> ListHidrawNodes(udev& context) {
  std::vector<HidrawNode> nodes;
  UdevEnumeratePtr enumerate(udev_enumerate_new(&context));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    support::LogFailure("udev enumerate hidraw", std::strerror(errno));
    return nodes;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    UdevDevicePtr device(udev_device_new_from_syspath(&context, udev_list_entry_get_name(entry)));
    if (!device) continue;
    if (auto node = DescribeHidrawNode(device.get())) nodes.push_back(std::move(*node));
  }
  return nodes;
}

std::optional<HidrawNode> FindHidrawNode(udev& context, const std::string& hidrawName) {
  UdevDevicePtr device(udev_device_new_from_subsystem_sysname(&context, "hidraw", hidrawName.c_str()));
  if (!device) return std::nullopt;
  return DescribeHidrawNode(device.get());
}

std::vector<std::wstring> InterfacePathsOf(const HidrawNode& node) {
  std::vector<std::wstring> paths;
  const int count = static_cast<int>(node.collections.size());
  if (count > kMaxPathCollections) {
    support::LogFailure("list HID collections", node.devnode + ": only the first 255 of " + std::to_string(count) +
                                                    " top-level collections get a path");
  }
  for (int index = 0; index < std::min(count, kMaxPathCollections); ++index) {
    paths.push_back(BuildInterfacePath(node.identity, index, count));
  }
  return paths;
}

}  // namespace platform::linux_backend
