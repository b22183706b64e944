#include "outside/openrgb/lighting_sdk_device.h"

#include "device/commands/keyboard_reports.h"
#include "lighting/effect_catalogue.h"
#include "outside/openrgb/sdk_protocol.h"

namespace openrgb {

namespace {

ZoneDescription OneLedZone(const std::string& name) {
  return {.name = name, .type = kZoneTypeSingle, .ledsMin = 1, .ledsMax = 1, .ledsCount = 1};
}

void AddSpeed(ModeDescription& mode, lighting::Range range, std::uint32_t value) {
  mode.flags |= kModeHasSpeed;
  mode.speedMin = static_cast<std::uint32_t>(range.lowest);
  mode.speedMax = static_cast<std::uint32_t>(range.highest);
  mode.speed = value;
}

void AddBrightness(ModeDescription& mode, lighting::Range range, std::uint32_t value) {
  mode.flags |= kModeHasBrightness;
  mode.brightnessMin = static_cast<std::uint32_t>(range.lowest);
  mode.brightnessMax = static_cast<std::uint32_t>(range.highest);
  mode.brightness = value;
}

// The active mode; the first when the chosen effect has no mode (no effect chosen).
std::int32_t ActiveMode(int chosen, int modes) { return chosen >= 0 && chosen < modes ? chosen : 0; }

}  // namespace

LightingSdkDevice::LightingSdkDevice(lighting::LightingControl& road, model::EffectNames englishNames,
                                     KeyboardIdentity identity, ProfileAccess profiles)
    : road_(road), names_(std::move(englishNames)), identity_(std::move(identity)), profiles_(std::move(profiles)) {}

std::string LightingSdkDevice::VersionText() const {
  const std::int32_t version = firmware_;
  if (version < 0) return {};
  return std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF);
}

std::vector<ControllerDescription> LightingSdkDevice::Controllers() {
  const lighting::LightingState state = road_.State();
  ControllerDescription keyboard{.type = kDeviceTypeKeyboard,
                                 .name = identity_.name,
                                 .vendor = "kbconfig",
                                 .description = "Lighting effects of the keyboard (kbconfig)",
                                 .version = VersionText(),
                                 .serial = "",
                                 .location = identity_.location,
                                 .activeMode = ActiveMode(state.effect, lighting::kEffectCount)};
  for (int effect = 0; effect < lighting::kEffectCount; ++effect) {
    const model::EffectRecord& record = state.effects[static_cast<std::size_t>(effect)];
    ModeDescription mode{.name = names_.Effect(effect), .value = device::EffectCode(effect)};
    const lighting::EffectValues values = lighting::ValuesOfEffect(effect);
    if (values.speed) AddSpeed(mode, lighting::kSpeedRange, record.speed);
    if (values.brightness) AddBrightness(mode, lighting::kBrightnessRange, record.brightness);
    keyboard.modes.push_back(std::move(mode));
  }
  keyboard.zones.push_back(OneLedZone("Keyboard"));
  keyboard.leds = {"Keyboard"};
  keyboard.colours = {0};

  ControllerDescription side = keyboard;
  side.name = identity_.name + " side light";
  side.description = "Side light of the keyboard (kbconfig)";
  side.activeMode = ActiveMode(state.side, lighting::kSideEffectCount);
  side.modes.clear();
  for (int effect = 0; effect < lighting::kSideEffectCount; ++effect) {
    const std::uint32_t level = state.sides[static_cast<std::size_t>(effect)].brightness;
    ModeDescription mode{.name = names_.Side(effect), .value = effect};
    if (lighting::SideLevelOf(effect) == lighting::SideLevel::kSpeed) {
      AddSpeed(mode, lighting::kSideLevelRange, level);
    } else {
      AddBrightness(mode, lighting::kSideLevelRange, level);
    }
    side.modes.push_back(std::move(mode));
  }
  side.zones = {OneLedZone("Side light")};
  side.leds = {"Side light"};
  return {keyboard, side};
}

bool LightingSdkDevice::ApplyMode(std::size_t controller, std::size_t mode, std::optional<std::uint32_t> speed,
                                  std::optional<std::uint32_t> brightness) {
  auto byte = [](const std::optional<std::uint32_t>& value) -> std::optional<std::uint8_t> {
    if (!value || *value > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
  };
  if (controller == kKeyboardController) {
    const lighting::EffectChange change{
        .effect = static_cast<int>(mode), .speed = byte(speed), .brightness = byte(brightness)};
    if (lighting::ProblemWith(change)) return false;
    road_.ChangeEffect(change, lighting::ChangeSource::kOpenRgb);
    return true;
  }
  if (controller == kSideLightController) {
    const lighting::SideChange change{.side = static_cast<int>(mode), .level = byte(speed ? speed : brightness)};
    if (lighting::ProblemWith(change)) return false;
    road_.ChangeSideLight(change, lighting::ChangeSource::kOpenRgb);
    return true;
  }
  return false;
}

std::vector<std::string> LightingSdkDevice::Profiles() { return profiles_.list ? profiles_.list() : std::vector<std::string>{}; }

bool LightingSdkDevice::LoadProfile(const std::string& name) { return profiles_.load && profiles_.load(name); }

}  // namespace openrgb
