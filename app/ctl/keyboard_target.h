#pragma once
// kbconfigctl's commands while kbconfig does not run: kbconfigctl opens the keyboard and the
// lighting files itself, holding the single-instance lock, and takes the same lighting road as the
// program (stores, files, paced reports). The keyboard is opened, and the files read, only when a
// command needs them.
#include <memory>
#include <optional>

#include "app/startup/program_folders.h"
#include "device/commands/keyboard_commands.h"
#include "device/io/hid_device.h"
#include "lighting/lighting_control.h"
#include "lighting/report_pacer.h"
#include "model/config/app_config.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "outside/ctl/ctl_target.h"
#include "platform/hid.h"
#include "support/clock.h"

namespace app {

class KeyboardTarget final : public ctl::Target {
 public:
  KeyboardTarget(const ProgramFolders& folders, platform::HidSystem& hid, support::Clock& clock);
  // Every report asked for has gone to the keyboard before it returns.
  ~KeyboardTarget() override;

  bool KeyboardFound() override;
  std::int32_t FirmwareVersion() override;
  lighting::LightingControl& Lighting() override;
  lighting::LightingState LightingState() override { return Lighting().State(); }
  const model::EffectNames& EnglishNames() override { return english_; }
  const model::EffectNames& ShownNames() override { return shown_; }
  std::string ActiveProfile() override { return profile_; }
  std::vector<std::string> Profiles() override { return {profile_}; }
  ctl::SwitchResult SwitchProfile(const std::string& name) override;
  bool StopMacros() override { return false; }
  ctl::OpenRgbState OpenRgb() override { return {}; }
  ctl::SwitchResult SetOpenRgb(bool, std::optional<std::uint16_t>, std::string&) override {
    return ctl::SwitchResult::kUnavailable;
  }

 private:
  ProgramFolders folders_;
  model::AppConfig config_;
  model::EffectNames english_;
  model::EffectNames shown_;
  std::string profile_;
  device::HidDevice hid_;
  std::optional<bool> opened_;
  bool storesLoaded_ = false;
  model::LedEffectStore effects_;
  model::SideModelStore sides_;
  device::KeyboardCommands commands_;
  std::unique_ptr<lighting::ReportPacer> pacer_;
  std::unique_ptr<lighting::LightingControl> road_;
};

}  // namespace app
