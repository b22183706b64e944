#pragma once
// What kbconfigctl's commands work on: the running program (over its single-instance channel), or
// the keyboard and the files directly when it does not run. Each side implements this.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lighting/lighting_control.h"
#include "model/resources/effect_names.h"

namespace ctl {

struct OpenRgbState {
  bool available = false;  // only the running program serves
  bool enabled = false;
  std::uint16_t port = 0;
  int clients = 0;
};

enum class SwitchResult { kDone, kNoSuchProfile, kPortInUse, kFailed, kUnavailable };

class Target {
 public:
  virtual ~Target() = default;

  // Whether the keyboard is there, and its firmware version word (-1: unknown).
  virtual bool KeyboardFound() = 0;
  virtual std::int32_t FirmwareVersion() = 0;
  // Whether changes cannot be taken now (a factory restore under way), with the reason.
  virtual std::optional<std::string> Busy() { return std::nullopt; }

  // The lighting road; only asked for while the keyboard is there.
  virtual lighting::LightingControl& Lighting() = 0;
  virtual lighting::LightingState LightingState() = 0;

  virtual const model::EffectNames& EnglishNames() = 0;
  virtual const model::EffectNames& ShownNames() = 0;  // in the user's language

  virtual std::string ActiveProfile() = 0;
  virtual std::vector<std::string> Profiles() = 0;
  virtual SwitchResult SwitchProfile(const std::string& name) = 0;

  // Ends every playing macro; false when there is none to end because the program is not running.
  virtual bool StopMacros() = 0;

  virtual OpenRgbState OpenRgb() = 0;
  virtual SwitchResult SetOpenRgb(bool on, std::optional<std::uint16_t> port, std::string& error) = 0;
};

}  // namespace ctl
