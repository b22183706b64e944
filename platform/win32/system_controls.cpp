#include "platform/win32/system_controls.h"

#include <optional>
#include <string>

#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"

#include <powrprof.h>

namespace platform::win32 {

namespace {

constexpr std::uint16_t kSystemPower = 0x81;
constexpr std::uint16_t kSystemSleep = 0x82;

// GUID_SYSTEM_BUTTON_SUBGROUP and GUID_POWERBUTTON_ACTION of the power plans.
constexpr GUID kButtonSubgroup = {0x4f971e89, 0xeebd, 0x4455, {0xa8, 0xde, 0x9e, 0x59, 0x04, 0x0e, 0x73, 0x47}};
constexpr GUID kPowerButtonAction = {0x7648efa3, 0xdd9c, 0x4e3e, {0xb5, 0x66, 0x50, 0xf9, 0x29, 0x38, 0x62, 0x80}};

enum class ButtonAction : DWORD { kNothing = 0, kSleep = 1, kHibernate = 2, kShutDown = 3 };

std::optional<ButtonAction> PowerButtonAction() {
  GUID* scheme = nullptr;
  if (const DWORD error = PowerGetActiveScheme(nullptr, &scheme); error != ERROR_SUCCESS) {
    LogWinFailure("PowerGetActiveScheme", error);
    return std::nullopt;
  }
  SYSTEM_POWER_STATUS status{};
  const bool onBattery = GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
  DWORD value = 0;
  const DWORD error = onBattery ? PowerReadDCValueIndex(nullptr, scheme, &kButtonSubgroup, &kPowerButtonAction, &value)
                                : PowerReadACValueIndex(nullptr, scheme, &kButtonSubgroup, &kPowerButtonAction, &value);
  LocalFree(scheme);
  if (error != ERROR_SUCCESS) {
    LogWinFailure("PowerReadValueIndex(power button action)", error);
    return std::nullopt;
  }
  return static_cast<ButtonAction>(value);
}

void Suspend(bool hibernate) {
  if (!SetSuspendState(hibernate ? TRUE : FALSE, FALSE, FALSE)) {
    LogWinFailure(hibernate ? "SetSuspendState(hibernate)" : "SetSuspendState(sleep)", GetLastError());
  }
}

void ShutDown() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    LogWinFailure("OpenProcessToken(shut down)", GetLastError());
    return;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const bool enabled = LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
                       AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                       GetLastError() == ERROR_SUCCESS;
  if (!enabled) LogWinFailure("AdjustTokenPrivileges(SeShutdownPrivilege)", GetLastError());
  CloseHandle(token);
  if (!ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_FLAG_PLANNED)) {
    LogWinFailure("ExitWindowsEx(shut down)", GetLastError());
  }
}

class WindowsControls final : public SystemControls {
 public:
  void Press(std::uint16_t usage) override {
    if (usage == kSystemSleep) {
      Suspend(false);
      return;
    }
    if (usage != kSystemPower) return;  // System Wake: the computer is awake
    const std::optional<ButtonAction> action = PowerButtonAction();
    if (!action) return;
    switch (*action) {
      case ButtonAction::kSleep: Suspend(false); break;
      case ButtonAction::kHibernate: Suspend(true); break;
      case ButtonAction::kShutDown: ShutDown(); break;
      default: break;  // nothing, or an action only the power button itself has
    }
  }
};

}  // namespace

SystemControls& WindowsSystemControls() {
  static WindowsControls controls;
  return controls;
}

}  // namespace platform::win32
