// The seam's default accessors for a program linked with the Linux backend.
#include "platform/deadline_wait.h"
#include "platform/file_system.h"
#include "platform/filter_device.h"
#include "platform/foreground.h"
#include "platform/hid.h"
#include "platform/linux/keyboard_event_nodes.h"
#include "platform/linux/linux_deadline_wait.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/linux_hid_system.h"
#include "platform/linux/linux_process.h"
#include "platform/linux/linux_virtual_hid.h"
#include "platform/process.h"
#include "platform/report_device.h"

namespace platform {

namespace linux_backend {
LinuxKeyFilter& DefaultKeyFilter() {
  static LinuxKeyFilter filter(&FindKeyboardEventNodes);
  return filter;
}
}  // namespace linux_backend

HidSystem& DefaultHidSystem() {
  static linux_backend::LinuxHidSystem system([](std::uint16_t vendorId, std::uint16_t productId) {
    linux_backend::DefaultKeyFilter().SetKeyboard(vendorId, productId);
  });
  return system;
}

FilterDeviceSystem& DefaultFilterDeviceSystem() { return linux_backend::DefaultKeyFilter(); }

InputPathSelector& DefaultInputPathSelector() {
  static SinglePathSelector selector;
  return selector;
}

ReportDeviceSystem& DefaultReportDeviceSystem() {
  static linux_backend::LinuxVirtualHid system;
  return system;
}

ProcessSystem& DefaultProcessSystem() {
  static linux_backend::LinuxProcessSystem system;
  return system;
}

ForegroundWatcher& DefaultForegroundWatcher() { return SystemForegroundWatcher(); }

std::unique_ptr<DeadlineWait> CreateDeadlineWait() { return std::make_unique<linux_backend::LinuxDeadlineWait>(); }

}  // namespace platform
