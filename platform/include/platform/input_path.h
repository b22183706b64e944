#pragma once
// How a backend takes the keys the program captures and produces the keys it types, and, where a
// backend can use kernel drivers, the choice between them and its own user-mode path. The key
// filter channel and the virtual HID device speak the same requests on every path.
#include <cstdint>

namespace platform {

class FilterDeviceSystem;
class ReportDeviceSystem;

enum class InputPath : std::uint8_t {
  kKernelDrivers,  // the key filter driver and the virtual HID device driver: this keyboard only
  kKeyboardHook,   // Windows without the drivers: a low-level keyboard hook and SendInput; the
                   // same key of every keyboard is captured
  kInputGrab,      // Linux: this keyboard's input nodes are grabbed, a uinput device types
  kEmulated,       // an emulated keyboard, key filter and virtual device in this process
};

// The drivers a backend can look for at start-up, and the choice of path made from that.
class InputPathSelector {
 public:
  virtual ~InputPathSelector() = default;
  // The kernel drivers' filter device and report devices, for looking whether they are there (and
  // installing them); null where the backend has no kernel drivers to choose.
  virtual FilterDeviceSystem* DriverFilterDevices() = 0;
  virtual ReportDeviceSystem* DriverReportDevices() = 0;
  // Fixes the path that DefaultFilterDeviceSystem() and DefaultReportDeviceSystem() take: the
  // drivers when they are present, else the backend's own. Only the first choice counts (devices
  // may be open on it); until one is made they take the drivers.
  virtual void Choose(bool driversPresent) = 0;
};

// A backend without kernel drivers to choose: the one path it has is always taken.
class SinglePathSelector final : public InputPathSelector {
 public:
  FilterDeviceSystem* DriverFilterDevices() override { return nullptr; }
  ReportDeviceSystem* DriverReportDevices() override { return nullptr; }
  void Choose(bool) override {}
};

// The selector of the backend this program is linked with.
InputPathSelector& DefaultInputPathSelector();

}  // namespace platform
