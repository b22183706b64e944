#include "ui/main_window/window_command_target.h"

namespace ui {

WindowCommandTarget::WindowCommandTarget(CMainDlg& window)
    : window_(window), english_(window.Outside().EnglishNames()), shown_(window.ShownEffectNames()) {}

std::optional<std::string> WindowCommandTarget::Busy() {
  if (window_.IsRestoring()) return "kbconfig is restoring the factory settings; try again once the keyboard is back";
  return std::nullopt;
}

std::string WindowCommandTarget::ActiveProfile() { return window_.ProfileName().toStdString(); }

ctl::SwitchResult WindowCommandTarget::SwitchProfile(const std::string& name) {
  return name == ActiveProfile() ? ctl::SwitchResult::kDone : ctl::SwitchResult::kUnavailable;
}

bool WindowCommandTarget::StopMacros() {
  window_.StopAllMacros();
  return true;
}

ctl::OpenRgbState WindowCommandTarget::OpenRgb() {
  OutsideControl& outside = window_.Outside();
  return {.available = true, .enabled = outside.IsEnabled(), .port = outside.Port(), .clients = outside.Clients()};
}

ctl::SwitchResult WindowCommandTarget::SetOpenRgb(bool on, std::optional<std::uint16_t> port, std::string& error) {
  OutsideControl& outside = window_.Outside();
  if (!on) {
    outside.Disable();
    return ctl::SwitchResult::kDone;
  }
  switch (outside.Enable(port, &error)) {
    case outside::ListenResult::kListening:
      return ctl::SwitchResult::kDone;
    case outside::ListenResult::kPortInUse:
      return ctl::SwitchResult::kPortInUse;
    case outside::ListenResult::kFailed:
      break;
  }
  return ctl::SwitchResult::kFailed;
}

}  // namespace ui
