#pragma once
// kbconfigctl's commands in the running program: they work on the main window's keyboard,
// lighting road, macro player and outside control, on the window thread, so the window, the
// stores, the files and the keyboard stay in step.
#include "outside/ctl/ctl_target.h"
#include "ui/main_window/main_dlg.h"

namespace ui {

class WindowCommandTarget final : public ctl::Target {
 public:
  explicit WindowCommandTarget(CMainDlg& window);

  bool KeyboardFound() override { return window_.IsKeyboardOpen(); }
  std::int32_t FirmwareVersion() override { return window_.FirmwareVersion(); }
  std::optional<std::string> Busy() override;
  lighting::LightingControl& Lighting() override { return window_.LightingRoad(); }
  lighting::LightingState LightingState() override { return window_.LightingRoad().State(); }
  const model::EffectNames& EnglishNames() override { return english_; }
  const model::EffectNames& ShownNames() override { return shown_; }
  std::string ActiveProfile() override;
  std::vector<std::string> Profiles() override { return {ActiveProfile()}; }
  ctl::SwitchResult SwitchProfile(const std::string& name) override;
  bool StopMacros() override;
  ctl::OpenRgbState OpenRgb() override;
  ctl::SwitchResult SetOpenRgb(bool on, std::optional<std::uint16_t> port, std::string& error) override;

 private:
  CMainDlg& window_;
  model::EffectNames english_;
  model::EffectNames shown_;
};

}  // namespace ui
