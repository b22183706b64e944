#pragma once
// The keyboard as the OpenRGB server shows it: two controllers of type keyboard, the keyboard's
// 20 effects as the first one's modes and the side light's 12 effects as the second one's, each
// mode taking the values the lighting panel offers for it (speed, brightness) within the panel's
// ranges. Neither takes per-LED colours: each has one zone of one LED. Mode changes go the
// lighting road, as the panel's do.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "lighting/lighting_control.h"
#include "model/resources/effect_names.h"
#include "outside/openrgb/sdk_device.h"

namespace openrgb {

struct KeyboardIdentity {
  std::string name{};      // "kbconfig keyboard"
  std::string location{};  // where it is attached, as the HID selector says
};

// The profiles a client may list and load; empty functions: none.
struct ProfileAccess {
  std::function<std::vector<std::string>()> list;
  std::function<bool(const std::string&)> load;
};

class LightingSdkDevice final : public SdkDevice {
 public:
  static constexpr std::size_t kKeyboardController = 0;
  static constexpr std::size_t kSideLightController = 1;

  LightingSdkDevice(lighting::LightingControl& road, model::EffectNames englishNames, KeyboardIdentity identity,
                    ProfileAccess profiles = {});

  // The firmware version word shown as the controllers' version (-1: unknown). Any thread.
  void SetFirmwareVersion(std::int32_t version) { firmware_ = version; }

  std::vector<ControllerDescription> Controllers() override;
  bool ApplyMode(std::size_t controller, std::size_t mode, std::optional<std::uint32_t> speed,
                 std::optional<std::uint32_t> brightness) override;
  std::vector<std::string> Profiles() override;
  bool LoadProfile(const std::string& name) override;

 private:
  std::string VersionText() const;

  lighting::LightingControl& road_;
  model::EffectNames names_{};
  KeyboardIdentity identity_;
  ProfileAccess profiles_;
  std::atomic<std::int32_t> firmware_{-1};
};

}  // namespace openrgb
