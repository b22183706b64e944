#pragma once
// The first step of start-up: find the virtual HID device that types the replacement keys.
// One source per system, chosen by CMake:
// - virtual_device_setup_windows.cpp: when the device is missing, installs the drivers from the
//   package beside the program with devcon.exe and looks again (DriverInstaller).
// - virtual_device_setup_linux.cpp: only looks. There is nothing to install (the device is made
//   through /dev/uinput), and no program is ever started: the Windows installation would run a
//   "driver\x64\devcon.exe" relative to the working folder. When the device cannot be made, the
//   user can give the program access, and is told how.
#include "hostdrv/vhidev.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace app {

enum class VirtualDeviceStatus {
  kOpen,          // found and open
  kMissing,       // not there after all this system offers; nothing to tell the user
  kAccessNeeded,  // not usable until the user gives the program access (see the access notice)
};

VirtualDeviceStatus PrepareVirtualDevice(hostdrv::VHidev& device, platform::ProcessSystem& processes,
                                         platform::FileSystem& files);

}  // namespace app
