#include "platform/win32/input_path_choice.h"

#include "support/logger.h"

namespace platform::win32 {

InputPathChoice::InputPathChoice(FilterDeviceSystem& driverFilters, ReportDeviceSystem& driverReports,
                             FilterDeviceSystem& hookFilters, ReportDeviceSystem& injectedReports)
    : driverFilters_(driverFilters),
      driverReports_(driverReports),
      hookFilters_(hookFilters),
      injectedReports_(injectedReports) {}

void InputPathChoice::Choose(bool driversPresent) {
  std::scoped_lock lock(mutex_);
  if (driversChosen_) {
    if (*driversChosen_ != driversPresent) {
      support::LogFailure("input path", "already in use, it is not changed now");
    }
    return;
  }
  driversChosen_ = driversPresent;
  support::Log(driversPresent ? "input path: the key filter driver and the virtual HID device driver\n"
                              : "input path: without drivers, a keyboard hook and SendInput\n");
}

bool InputPathChoice::UsesDrivers() {
  std::scoped_lock lock(mutex_);
  if (!driversChosen_) driversChosen_ = true;  // used before any choice: as without one
  return *driversChosen_;
}

}  // namespace platform::win32
