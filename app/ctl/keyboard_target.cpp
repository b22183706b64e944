#include "app/ctl/keyboard_target.h"

#include "app/startup/data_files.h"
#include "model/config/load_config.h"
#include "model/resources/effect_names.h"
#include "support/atomic_file.h"
#include "support/logger.h"

namespace app {

namespace {

model::EffectNames Names(const std::filesystem::path& resources, const char* translator) {
  std::string error;
  std::optional<model::EffectNames> names = model::LoadEffectNames(resources / "uires", translator, error);
  if (!names) support::LogFailure("kbconfigctl: effect names", error);
  return names.value_or(model::EffectNames{});
}

}  // namespace

KeyboardTarget::KeyboardTarget(const ProgramFolders& folders, platform::HidSystem& hid, support::Clock& clock)
    : folders_(folders), hid_(hid), commands_(hid_, effects_, sides_, clock) {
  model::LoadConfigFile(folders_.configFile, config_);
  english_ = Names(folders_.resources, "lang_en");
  shown_ = config_.useChinese ? Names(folders_.resources, "lang_cn") : english_;
  profile_ = "Profile 1";
  pacer_ = std::make_unique<lighting::ReportPacer>(commands_, clock);
  road_ = std::make_unique<lighting::LightingControl>(effects_, sides_, *pacer_, clock);
}

KeyboardTarget::~KeyboardTarget() {
  road_->WaitForSaves();
  pacer_->WaitUntilIdle();
}

bool KeyboardTarget::KeyboardFound() {
  if (!opened_) opened_ = hid_.OpenBySelector(config_.selector, nullptr, device::kReadWriteShared);
  return *opened_;
}

std::int32_t KeyboardTarget::FirmwareVersion() {
  if (KeyboardFound()) commands_.QueryVersion();
  return commands_.Version();
}

lighting::LightingControl& KeyboardTarget::Lighting() {
  if (!storesLoaded_) {
    // As start-up reads them (a missing file gets its defaults written, as the program does).
    sides_.Load(folders_.data / kSideModelFileName);
    effects_.Load(folders_.data / kLedEffectFileName);
    storesLoaded_ = true;
  }
  return *road_;
}

ctl::SwitchResult KeyboardTarget::SwitchProfile(const std::string& name) {
  return name == profile_ ? ctl::SwitchResult::kDone : ctl::SwitchResult::kUnavailable;
}

}  // namespace app
