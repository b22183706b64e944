#pragma once
// The keyboard as such keyboards are built: a USB device with two HID interfaces, as the kernel
// and every user of it see one. Interface 0 is a boot keyboard (its input report has no report
// ID); interface 1 carries three top-level collections with report IDs: a consumer control (col01),
// the vendor collection that takes the 8-byte lighting reports (report 7, feature and output,
// col02) and a system control (col03). With uhid each interface is a device of its own, as the
// kernel's USB HID driver makes one HID device per interface; the interface number is in each
// one's phys ("usb-...-1/input0", ".../input1"), where user space looks for it when there is no
// USB parent. The keys arrive on interface 0; the lighting reports on interface 1.
#include <chrono>
#include <cstdint>
#include <vector>

#include "../kernel/uhid_keyboard.h"

namespace kbtest {

inline constexpr std::uint16_t kEmulatedVendor = 0x1A2B;
inline constexpr std::uint16_t kEmulatedProduct = 0x0C3D;

const std::vector<std::uint8_t>& BootKeyboardDescriptor();
const std::vector<std::uint8_t>& VendorInterfaceDescriptor();

class EmulatedKeyboard {
 public:
  // `versionAnswer`: what a feature read of report 7 returns (report ID first).
  explicit EmulatedKeyboard(std::vector<std::uint8_t> versionAnswer);

  // Both interfaces plugged in (the keyboard first, as a USB device enumerates its interfaces in
  // order) or pulled out. False when a uhid request failed.
  bool Plug();
  bool Unplug();
  // Pulls the interfaces out one after the other, each once no process holds its hidraw node any
  // more (the lighting interface first). Wine 8.0's HID bus unlinks a removed device from its list
  // twice, and a removal or an arrival between the two corrupts the list (README): this keeps them
  // apart. False when a uhid request failed or a node stayed held for `limit`.
  bool UnplugOneAtATime(std::chrono::milliseconds limit);
  // The keys held down (usages of page 7) and modifiers, on the keyboard interface.
  bool SendKeys(std::uint8_t modifiers, const std::vector<std::uint8_t>& usages);

  UhidKeyboard& Keys() { return keys_; }
  // The interface that receives the lighting reports and answers the version query.
  UhidKeyboard& Lighting() { return lighting_; }

 private:
  UhidKeyboard keys_;
  UhidKeyboard lighting_;
};

}  // namespace kbtest
