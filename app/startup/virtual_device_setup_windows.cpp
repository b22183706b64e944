#include "app/startup/virtual_device_setup.h"

#include <string>

#include "hostdrv/driver_install.h"

namespace app {

VirtualDeviceStatus PrepareVirtualDevice(hostdrv::VHidev& device, platform::ProcessSystem& processes,
                                         platform::FileSystem& files) {
  return hostdrv::DriverInstaller(device, processes, files).EnsureVirtualDevice(std::wstring())
             ? VirtualDeviceStatus::kOpen
             : VirtualDeviceStatus::kMissing;
}

}  // namespace app
