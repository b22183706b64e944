// The backend's services for the program: one of each, created on first use.
#include "platform/foreground.h"
#include "platform/input_path.h"
#include "platform/win32/hook_key_filter.h"
#include "platform/win32/input_path_choice.h"
#include "platform/win32/send_input_device.h"
#include "platform/win32/win_file_system.h"
#include "platform/win32/win_filter_device.h"
#include "platform/win32/win_hid_system.h"
#include "platform/win32/win_process.h"
#include "platform/win32/win_report_device.h"

namespace platform {

namespace {

// The kernel drivers and the user-mode path beside them; start-up chooses.
win32::InputPathChoice& InputPaths() {
  static win32::WinFilterDeviceSystem driverFilters;
  static win32::WinReportDeviceSystem driverReports;
  static win32::SendInputVirtualHid injected;
  // Keys the hook lost (session locked, hook removed) must not stay down where the program typed.
  static win32::HookKeyFilter hookFilters([] { injected.ReleaseAll(); });
  static win32::InputPathChoice paths(driverFilters, driverReports, hookFilters, injected);
  return paths;
}

}  // namespace

HidSystem& DefaultHidSystem() {
  static win32::WinHidSystem system;
  return system;
}

FilterDeviceSystem& DefaultFilterDeviceSystem() { return InputPaths().Filters(); }

ReportDeviceSystem& DefaultReportDeviceSystem() { return InputPaths().Reports(); }

InputPathSelector& DefaultInputPathSelector() { return InputPaths(); }

ProcessSystem& DefaultProcessSystem() {
  static win32::WinProcessSystem system;
  return system;
}

FileSystem& DefaultFileSystem() {
  static win32::WinFileSystem system;
  return system;
}

ForegroundWatcher& DefaultForegroundWatcher() { return SystemForegroundWatcher(); }

}  // namespace platform
