#include "app/startup/virtual_device_setup.h"

namespace app {

VirtualDeviceStatus PrepareVirtualDevice(hostdrv::VHidev& device, platform::ProcessSystem&, platform::FileSystem&) {
  device.CloseDevice();
  return device.OpenVirtualDevice() ? VirtualDeviceStatus::kOpen : VirtualDeviceStatus::kAccessNeeded;
}

}  // namespace app
