#include "outside/ctl/ctl_run.h"

#include "lighting/effect_catalogue.h"
#include "outside/ctl/json_text.h"

namespace ctl {

namespace {

using lighting::ChangeSource;

Result Fail(int exit, std::string error) { return {exit, "", std::move(error)}; }

std::string FirmwareText(std::int32_t version) {
  if (version < 0) return "unknown";
  return std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF);
}

// A value given on the command line, checked against its range before it is narrowed to a byte.
std::optional<std::string> CheckNumber(const char* what, const std::optional<int>& value, lighting::Range range) {
  if (!value || range.Contains(*value)) return std::nullopt;
  return std::string(what) + " " + std::to_string(*value) + " is out of range (" + std::to_string(range.lowest) +
         " to " + std::to_string(range.highest) + ")";
}

std::optional<std::uint8_t> Byte(const std::optional<int>& value) {
  if (!value) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

std::string EffectLine(int index, const std::string& name, const std::optional<model::EffectRecord>& record) {
  std::string line = std::to_string(index) + " " + name;
  if (!record) return line + (index == lighting::kNoEffect ? " (no effect chosen)" : "");
  return line + " (speed " + std::to_string(record->speed) + ", brightness " + std::to_string(record->brightness) +
         ", direction " + std::string(lighting::DirectionName(record->deriction)) + ", colour " +
         std::to_string(record->selection) + ")";
}

std::string SideLine(int index, const std::string& name, const std::optional<model::SideRecord>& record) {
  std::string line = std::to_string(index) + " " + name;
  if (!record) return line;
  const char* what = lighting::SideLevelOf(index) == lighting::SideLevel::kSpeed ? "speed" : "brightness";
  return line + " (" + what + " " + std::to_string(record->brightness) + ")";
}

std::string OpenRgbLine(const OpenRgbState& state) {
  if (!state.available) return "kbconfig is not running";
  if (!state.enabled) return "off";
  return "on, port " + std::to_string(state.port) + ", " + std::to_string(state.clients) +
         (state.clients == 1 ? " client" : " clients");
}

Result Status(bool json, Target& target) {
  const bool found = target.KeyboardFound();
  const std::int32_t firmware = found ? target.FirmwareVersion() : -1;
  const lighting::LightingState state = target.LightingState();
  const OpenRgbState openRgb = target.OpenRgb();
  const model::EffectNames& shown = target.ShownNames();
  const model::EffectNames& english = target.EnglishNames();
  if (!json) {
    std::string out = std::string("Keyboard:   ") + (found ? "found, firmware " + FirmwareText(firmware) : "not found") +
                      "\nProfile:    " + target.ActiveProfile() +
                      "\nEffect:     " + EffectLine(state.effect, shown.Effect(state.effect), state.ChosenEffect()) +
                      "\nSide light: " + SideLine(state.side, shown.Side(state.side), state.ChosenSide()) +
                      "\nOpenRGB:    " + OpenRgbLine(openRgb) + "\n";
    return {kOk, out, ""};
  }
  std::string out = "{\"keyboard\":{\"found\":" + std::string(found ? "true" : "false");
  if (found) out += ",\"firmware\":" + JsonString(FirmwareText(firmware));
  out += "},\"profile\":" + JsonString(target.ActiveProfile());
  out += ",\"effect\":{\"index\":" + std::to_string(state.effect) + ",\"name\":" + JsonString(english.Effect(state.effect));
  if (const std::optional<model::EffectRecord> record = state.ChosenEffect()) {
    out += ",\"speed\":" + std::to_string(record->speed) + ",\"brightness\":" + std::to_string(record->brightness) +
           ",\"direction\":" + JsonString(lighting::DirectionName(record->deriction)) +
           ",\"colour\":" + std::to_string(record->selection);
  }
  out += "},\"side\":{\"index\":" + std::to_string(state.side) + ",\"name\":" + JsonString(english.Side(state.side));
  if (const std::optional<model::SideRecord> record = state.ChosenSide()) {
    out += ",\"" + std::string(lighting::SideLevelOf(state.side) == lighting::SideLevel::kSpeed ? "speed" : "brightness") +
           "\":" + std::to_string(record->brightness);
  }
  out += "},\"openrgb\":{\"running\":" + std::string(openRgb.available ? "true" : "false") +
         ",\"enabled\":" + (openRgb.enabled ? "true" : "false") + ",\"port\":" + std::to_string(openRgb.port) +
         ",\"clients\":" + std::to_string(openRgb.clients) + "}}\n";
  return {kOk, out, ""};
}

Result ListEffects(bool json, Target& target) {
  const model::EffectNames& shown = target.ShownNames();
  const model::EffectNames& english = target.EnglishNames();
  auto effectValues = [](int effect) {
    const lighting::EffectValues values = lighting::ValuesOfEffect(effect);
    std::string text = values.speed ? "speed 0-4" : "";
    if (values.brightness) text += std::string(text.empty() ? "" : ", ") + "brightness 0-4";
    return text;
  };
  auto sideValues = [](int side) {
    return std::string(lighting::SideLevelOf(side) == lighting::SideLevel::kSpeed ? "speed" : "brightness") + " 0-7";
  };
  if (json) {
    std::string out = "{\"effects\":[";
    for (int effect = 0; effect < lighting::kEffectCount; ++effect) {
      out += std::string(effect ? "," : "") + "{\"index\":" + std::to_string(effect) +
             ",\"name\":" + JsonString(english.Effect(effect)) + ",\"shown\":" + JsonString(shown.Effect(effect)) +
             ",\"settings\":" + JsonString(effectValues(effect)) + "}";
    }
    out += "],\"sides\":[";
    for (int side = 0; side < lighting::kSideEffectCount; ++side) {
      out += std::string(side ? "," : "") + "{\"index\":" + std::to_string(side) +
             ",\"name\":" + JsonString(english.Side(side)) + ",\"shown\":" + JsonString(shown.Side(side)) +
             ",\"settings\":" + JsonString(sideValues(side)) + "}";
    }
    return {kOk, out + "]}\n", ""};
  }
  std::string out = "Effects (kbconfigctl effect <name|number>):\n";
  for (int effect = 0; effect < lighting::kEffectCount; ++effect) {
    out += "  " + std::to_string(effect) + "\t" + shown.Effect(effect) + "\t" + effectValues(effect) + "\n";
  }
  out += "Side light effects (kbconfigctl side <name|number>):\n";
  for (int side = 0; side < lighting::kSideEffectCount; ++side) {
    out += "  " + std::to_string(side) + "\t" + shown.Side(side) + "\t" + sideValues(side) + "\n";
  }
  return {kOk, out, ""};
}

// Checks that come before any change: the program busy, then the keyboard there.
std::optional<Result> CannotChange(Target& target) {
  if (const std::optional<std::string> busy = target.Busy()) return Fail(kBusy, *busy);
  if (!target.KeyboardFound()) return Fail(kNoKeyboard, "no keyboard found: nothing was changed");
  return std::nullopt;
}

Result SetEffect(const Command& command, Target& target) {
  const std::optional<int> effect =
      model::FindEffectByName(command.subject, target.EnglishNames().effects, target.ShownNames().effects);
  if (!effect) return Fail(kBadValue, "no effect named \"" + command.subject + "\" (kbconfigctl list-effects lists them)");
  std::optional<int> direction;
  if (command.direction) {
    direction = lighting::DirectionFromName(*command.direction);
    if (!direction) return Fail(kBadValue, "direction must be left or right, not \"" + *command.direction + "\"");
  }
  for (const std::optional<std::string>& problem :
       {CheckNumber("speed", command.speed, lighting::kSpeedRange),
        CheckNumber("brightness", command.brightness, lighting::kBrightnessRange),
        CheckNumber("colour", command.colour, lighting::kColourRange)}) {
    if (problem) return Fail(kBadValue, *problem + ": nothing was changed");
  }
  const lighting::EffectChange change{.effect = *effect,
                                      .speed = Byte(command.speed),
                                      .brightness = Byte(command.brightness),
                                      .direction = Byte(direction),
                                      .colour = Byte(command.colour)};
  if (const std::optional<lighting::ChangeProblem> problem = lighting::ProblemWith(change)) {
    // "Lights off" and "Loading bar" are items of the window's list without a record to send.
    return Fail(kBadValue, (problem->what == "effect" ? "effect " + command.subject + " is not one of effects 0 to 19"
                                                      : problem->Text()) +
                               ": nothing was changed");
  }
  if (std::optional<Result> refused = CannotChange(target)) return *refused;
  const bool saved = target.Lighting().ChangeEffect(change, ChangeSource::kCommandLine);
  const lighting::LightingState state = target.LightingState();
  std::string out = "Effect " + EffectLine(*effect, target.ShownNames().Effect(*effect), state.ChosenEffect()) + "\n";
  if (!saved) return {kFailed, out, "the effect was sent, but ledeffect.xml could not be saved"};
  return {kOk, out, ""};
}

Result SetSide(const Command& command, Target& target) {
  const std::optional<int> side =
      model::FindEffectByName(command.subject, target.EnglishNames().sides, target.ShownNames().sides);
  if (!side) {
    return Fail(kBadValue, "no side light effect named \"" + command.subject + "\" (kbconfigctl list-effects lists them)");
  }
  const std::optional<int> level = command.speed ? command.speed : command.brightness;
  if (command.speed && *side >= 0 && lighting::SideLevelOf(*side) != lighting::SideLevel::kSpeed) {
    return Fail(kBadValue, "side light effect " + command.subject + " has a brightness, not a speed: nothing was changed");
  }
  if (std::optional<std::string> problem = CheckNumber(command.speed ? "speed" : "brightness", level,
                                                       lighting::kSideLevelRange)) {
    return Fail(kBadValue, *problem + ": nothing was changed");
  }
  const lighting::SideChange change{.side = *side, .level = Byte(level)};
  if (const std::optional<lighting::ChangeProblem> problem = lighting::ProblemWith(change)) {
    return Fail(kBadValue, problem->Text() + ": nothing was changed");
  }
  if (std::optional<Result> refused = CannotChange(target)) return *refused;
  const bool saved = target.Lighting().ChangeSideLight(change, ChangeSource::kCommandLine);
  const lighting::LightingState state = target.LightingState();
  std::string out = "Side light " + SideLine(*side, target.ShownNames().Side(*side), state.ChosenSide()) + "\n";
  if (!saved) return {kFailed, out, "the side light was sent, but sidemodel.xml could not be saved"};
  return {kOk, out, ""};
}

Result SwitchProfile(const Command& command, Target& target) {
  if (const std::optional<std::string> busy = target.Busy()) return Fail(kBusy, *busy);
  switch (target.SwitchProfile(command.subject)) {
    case SwitchResult::kDone:
      return {kOk, "Profile " + command.subject + " is active\n", ""};
    case SwitchResult::kNoSuchProfile: {
      std::string names;
      for (const std::string& name : target.Profiles()) names += (names.empty() ? "" : ", ") + name;
      return Fail(kBadValue, "no profile named \"" + command.subject + "\" (profiles: " + names + ")");
    }
    case SwitchResult::kUnavailable:
      return Fail(kFailed, "this kbconfig has one profile only");
    default:
      return Fail(kFailed, "the profile could not be made the active one");
  }
}

Result OpenRgb(const Command& command, Target& target) {
  if (command.subject == "status") return {kOk, "Lighting control from other programs: " + OpenRgbLine(target.OpenRgb()) + "\n", ""};
  if (command.port && (*command.port < 1 || *command.port > 65535)) {
    return Fail(kBadValue, "port " + std::to_string(*command.port) + " is out of range (1 to 65535)");
  }
  if (!target.OpenRgb().available) {
    return Fail(kFailed, "lighting control from other programs is served by kbconfig, which is not running");
  }
  std::string error;
  const std::optional<std::uint16_t> port =
      command.port ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*command.port)) : std::nullopt;
  const SwitchResult result = target.SetOpenRgb(command.subject == "on", port, error);
  if (result == SwitchResult::kPortInUse) {
    return Fail(kFailed, "port " + std::to_string(target.OpenRgb().port) +
                             " is in use by another program: choose another with --port (6743 is common)");
  }
  if (result != SwitchResult::kDone) return Fail(kFailed, "the server could not start: " + error);
  return {kOk, "Lighting control from other programs: " + OpenRgbLine(target.OpenRgb()) + "\n", ""};
}

}  // namespace

Result UsageResult(const UsageError& error) { return Fail(kBadUsage, error.text); }

Result RunArguments(const std::vector<std::string>& arguments, Target& target) {
  const std::variant<Command, UsageError> parsed = ParseArguments(arguments);
  if (const UsageError* error = std::get_if<UsageError>(&parsed)) return UsageResult(*error);
  return Run(std::get<Command>(parsed), target);
}

Result Run(const Command& command, Target& target) {
  switch (command.verb) {
    case Verb::kHelp:
      return {kOk, HelpText(), ""};
    case Verb::kStatus:
      return Status(command.json, target);
    case Verb::kListEffects:
      return ListEffects(command.json, target);
    case Verb::kEffect:
      return SetEffect(command, target);
    case Verb::kSide:
      return SetSide(command, target);
    case Verb::kProfile:
      return SwitchProfile(command, target);
    case Verb::kStopMacros:
      if (!target.StopMacros()) return {kOk, "kbconfig is not running: no macro is playing\n", ""};
      return {kOk, "Every macro stopped\n", ""};
    case Verb::kOpenRgb:
      return OpenRgb(command, target);
  }
  return Fail(kBadUsage, "unknown command");
}

}  // namespace ctl
