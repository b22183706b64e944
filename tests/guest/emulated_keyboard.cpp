#include "emulated_keyboard.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/udev_handles.h"

namespace kbtest {

const std::vector<std::uint8_t>& BootKeyboardDescriptor() {
  static const std::vector<std::uint8_t> descriptor = {
      0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,                                                        //
      0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,  // modifiers
      0x95, 0x01, 0x75, 0x08, 0x81, 0x01,                                                        // reserved
      0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,                    // LEDs
      0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                                                        //
      0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x05, 0x07, 0x19, 0x00, 0x2A, 0xFF, 0x00,  // keys
      0x81, 0x00, 0xC0,
  };
  return descriptor;
}

const std::vector<std::uint8_t>& VendorInterfaceDescriptor() {
  static const std::vector<std::uint8_t> descriptor = {
      // col01: consumer control, report 3, one 16-bit usage
      0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A,
      0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
      // col02: vendor lighting, report 7, 7 data bytes as feature and as output report
      0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x07, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
      0x95, 0x07, 0x09, 0x01, 0xB1, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0,
      // col03: system control (power, sleep, wake), report 2
      0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x02, 0x19, 0x81, 0x29, 0x83, 0x15, 0x00, 0x25, 0x01,
      0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0,
  };
  return descriptor;
}

namespace {

namespace fs = std::filesystem;

UhidDescription Interface(int number, const std::vector<std::uint8_t>& descriptor, std::uint8_t keyReportId) {
  UhidDescription description;
  description.name = "kbtest Gaming Keyboard";
  description.phys = "usb-0000:00:14.0-1/input" + std::to_string(number);
  description.descriptor = descriptor;
  description.keyReportId = keyReportId;
  return description;
}

// The device number of the hidraw node the kernel made for interface `interface` of the keyboard,
// found as the program's Linux backend finds it.
std::optional<dev_t> HidrawNodeOf(int interface) {
  namespace lb = platform::linux_backend;
  const lb::UdevPtr context = lb::NewUdev();
  if (!context) return std::nullopt;
  for (const lb::HidrawNode& node : lb::ListHidrawNodes(*context)) {
    struct stat info {};
    if (node.identity.vendorId == kEmulatedVendor && node.identity.productId == kEmulatedProduct &&
        node.identity.interfaceNumber == interface && ::stat(node.devnode.c_str(), &info) == 0) {
      return info.st_rdev;
    }
  }
  return std::nullopt;
}

// Whether any process has the character device `node` open (its node may be deleted already).
bool SomeProcessHolds(dev_t node) {
  std::error_code error;
  for (fs::directory_iterator process("/proc", error), end; !error && process != end; process.increment(error)) {
    std::error_code fdError;
    for (fs::directory_iterator fd(process->path() / "fd", fdError); !fdError && fd != end; fd.increment(fdError)) {
      struct stat info {};
      if (::stat(fd->path().c_str(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == node) return true;
    }
  }
  return false;
}

bool WaitUntilNobodyHolds(dev_t node, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (SomeProcessHolds(node)) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace

EmulatedKeyboard::EmulatedKeyboard(std::vector<std::uint8_t> versionAnswer)
    : keys_(kEmulatedVendor, kEmulatedProduct, {}, Interface(0, BootKeyboardDescriptor(), 0)),
      lighting_(kEmulatedVendor, kEmulatedProduct, std::move(versionAnswer),
                Interface(1, VendorInterfaceDescriptor(), 0)) {}

bool EmulatedKeyboard::Plug() { return keys_.Plug() && lighting_.Plug(); }

bool EmulatedKeyboard::Unplug() {
  const bool lightingGone = lighting_.Unplug();
  return keys_.Unplug() && lightingGone;
}

bool EmulatedKeyboard::UnplugOneAtATime(std::chrono::milliseconds limit) {
  for (const auto& [device, interface] : {std::pair{&lighting_, 1}, std::pair{&keys_, 0}}) {
    const std::optional<dev_t> node = HidrawNodeOf(interface);
    if (!node) {
      std::fprintf(stderr, "interface %d has no hidraw node\n", interface);
      return false;
    }
    if (!device->Unplug()) return false;
    if (!WaitUntilNobodyHolds(*node, limit)) {
      std::fprintf(stderr, "interface %d's hidraw node %u:%u is still held open\n", interface, major(*node),
                   minor(*node));
      return false;
    }
  }
  return true;
}

bool EmulatedKeyboard::SendKeys(std::uint8_t modifiers, const std::vector<std::uint8_t>& usages) {
  return keys_.SendKeys(modifiers, usages);
}

}  // namespace kbtest
