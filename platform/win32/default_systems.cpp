// The backend's services for the program: one of each, created on first use.
#include "platform/win32/win_file_system.h"
#include "platform/win32/win_filter_device.h"
#include "platform/win32/win_hid_system.h"
#include "platform/win32/win_process.h"
#include "platform/win32/win_report_device.h"

namespace platform {

HidSystem& DefaultHidSystem() {
  static win32::WinHidSystem system;
  return system;
}

FilterDeviceSystem& DefaultFilterDeviceSystem() {
  static win32::WinFilterDeviceSystem system;
  return system;
}

ReportDeviceSystem& DefaultReportDeviceSystem() {
  static win32::WinReportDeviceSystem system;
  return system;
}

ProcessSystem& DefaultProcessSystem() {
  static win32::WinProcessSystem system;
  return system;
}

FileSystem& DefaultFileSystem() {
  static win32::WinFileSystem system;
  return system;
}

}  // namespace platform
