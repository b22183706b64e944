#pragma once
// Windows-form HID interface paths for hidraw nodes, and the way back:
//   \\?\hid#vid_1a2b&pid_0c3d&mi_01&col02#0003_1a2b_0c3d.0004&hidraw3#{4d1e55b2-f16f-11cf-88cb-001111000030}
// - mi_XX: the USB interface number, when the device has one (left out otherwise);
// - colXX: the top-level collection, numbered from 01 as Windows numbers them, in two hexadecimal
//   digits (01 to ff), left out when the report descriptor has only one;
// - the instance part names the kernel's HID device and the hidraw node, so a path leads back to
//   its node and a node renumbered in the meantime is recognised as a different device.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::linux_backend {

struct HidrawIdentity {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::optional<int> interfaceNumber;
  std::string hidName;     // sysfs name of the HID device, e.g. "0003:1A2B:0C3D.0004"
  std::string hidrawName;  // e.g. "hidraw3"
};

// `collectionIndex` counts from 0 and is below kMaxPathCollections; `collectionCount` is the
// number of top-level collections.
inline constexpr int kMaxPathCollections = 0xFF;
std::wstring BuildInterfacePath(const HidrawIdentity& identity, int collectionIndex, int collectionCount);

struct ParsedInterfacePath {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string hidName;
  std::string hidrawName;
  int collectionIndex = 0;  // from 0; 0 when the path has no collection part
};

// The HID device's name as the instance part spells it ("0003_1a2b_0c3d.0004").
std::string InstanceHidName(std::string_view hidName);

// Nothing when the path is not one BuildInterfacePath makes.
std::optional<ParsedInterfacePath> ParseInterfacePath(std::wstring_view path);

struct HidId {
  std::uint16_t bus = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

// The HID_ID property of a HID device, "0003:00001A2B:00000C3D".
std::optional<HidId> ParseHidId(std::string_view text);

// The interface number at the end of a HID_PHYS property, "usb-0000:00:14.0-1/input1" -> 1.
std::optional<int> InterfaceNumberFromPhys(std::string_view phys);

}  // namespace platform::linux_backend
