// kbconfigctl's commands against a target on the emulated keyboard: what they print, how they
// exit, what reaches the keyboard and the files, and that a refused command changes nothing.
#include <gtest/gtest.h>

#include "../common/sim_lighting.h"
#include "../common/temp_folder.h"
#include "outside/ctl/ctl_run.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

model::EffectNames Names(const char* translator) {
  std::string error;
  return model::LoadEffectNames(KBCONFIG_UIRES_DIR, translator, error).value_or(model::EffectNames{});
}

class SimTarget final : public ctl::Target {
 public:
  explicit SimTarget(const std::filesystem::path& folder) : sim(folder) {}
  bool KeyboardFound() override { return sim.hid.IsPresent(); }
  std::int32_t FirmwareVersion() override { return sim.commands.QueryVersion() ? sim.commands.Version() : -1; }
  std::optional<std::string> Busy() override { return busy; }
  lighting::LightingControl& Lighting() override { return sim.road; }
  lighting::LightingState LightingState() override { return sim.road.State(); }
  const model::EffectNames& EnglishNames() override { return english; }
  const model::EffectNames& ShownNames() override { return shown; }
  std::string ActiveProfile() override { return "Profile 1"; }
  std::vector<std::string> Profiles() override { return {"Profile 1"}; }
  ctl::SwitchResult SwitchProfile(const std::string& name) override {
    return name == "Profile 1" ? ctl::SwitchResult::kDone : ctl::SwitchResult::kNoSuchProfile;
  }
  bool StopMacros() override { return false; }
  ctl::OpenRgbState OpenRgb() override { return {}; }
  ctl::SwitchResult SetOpenRgb(bool, std::optional<std::uint16_t>, std::string&) override {
    return ctl::SwitchResult::kUnavailable;
  }

  testsupport::SimLighting sim;
  model::EffectNames english = Names("lang_en");
  model::EffectNames shown = english;
  std::optional<std::string> busy;
};

class CtlCommandsTest : public ::testing::Test {
 protected:
  // One command, done as kbconfigctl does it alone: its report has gone out when it ends.
  ctl::Result Run(std::vector<std::string> arguments) {
    const ctl::Result result = ctl::RunArguments(arguments, target);
    target.sim.pacer.WaitUntilIdle();
    return result;
  }
  std::string File(const char* name) { return target.sim.File(name); }

  testsupport::TempFolder folder{"kb_ctl"};
  SimTarget target{folder.Path()};
};

TEST(CtlArgumentsTest, UsageErrorsAreToldApartFromCommands) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command given (kbconfigctl --help lists them)"},
      {{"paint"}, "unknown command \"paint\" (kbconfigctl --help lists them)"},
      {{"effect"}, "effect needs an effect name or number"},
      {{"effect", "3", "--speed"}, "option --speed needs a value"},
      {{"effect", "3", "--speed", "fast"}, "option --speed needs a number, not \"fast\""},
      {{"effect", "3", "--port", "1"}, "unknown option \"--port\" for effect"},
      {{"effect", "3", "4"}, "unexpected argument \"4\" for effect"},
      {{"status", "now"}, "unexpected argument \"now\" for status"},
      {{"side", "1", "--speed", "1", "--brightness", "2"},
       "side takes --speed or --brightness, not both (they are the same setting)"},
      {{"openrgb", "maybe"}, "openrgb takes on, off or status, not \"maybe\""},
      {{"status", "--json"}, ""},
      {{"effect", "Spectrum cycle", "--speed", "2", "--direction", "right", "--color", "2"}, ""},
      {{"--help"}, ""},
  };
  for (const auto& [arguments, error] : cases) {
    const auto parsed = ctl::ParseArguments(arguments);
    const auto* usage = std::get_if<ctl::UsageError>(&parsed);
    EXPECT_EQ(usage ? usage->text : "", error) << (arguments.empty() ? "" : arguments[0]);
  }
  // The channel carries the arguments as they were.
  const std::vector<std::string> words = {"effect", "Spectrum cycle", "", "--speed", "2"};
  EXPECT_EQ(ctl::SplitArguments(*ctl::JoinArguments(words)), words);
  EXPECT_FALSE(ctl::JoinArguments({"a\tb"}));
}

TEST_F(CtlCommandsTest, EffectAndSideChangeTheKeyboardAndTheFilesAndSayWhat) {
  const ctl::Result effect = Run({"effect", "spectrum-cycle", "--speed", "3", "--brightness", "2", "--direction",
                                  "right", "--colour", "2"});
  EXPECT_EQ(effect.exit, ctl::kOk);
  EXPECT_EQ(effect.out, "Effect 9 Spectrum cycle (speed 3, brightness 2, direction right, colour 2)\n");
  EXPECT_EQ(effect.error, "");
  const ctl::Result side = Run({"side", "4", "--brightness", "6"});
  EXPECT_EQ(side.out, "Side light 4 Green (brightness 6)\n");
  EXPECT_EQ(Run({"side", "Rainbow flow", "--speed", "5"}).out, "Side light 0 Rainbow flow (speed 5)\n");
  EXPECT_EQ(target.sim.Reports(), (std::vector<Bytes>{{0x07, 0xFF, 0xFF, 10, 2, 3, 1, 0},
                                                  {0x07, 0xFF, 0xFF, 0x20, 0, 0, 0x64, 0},
                                                  {0x07, 0xFF, 0xFF, 0x20, 0, 0, 0x50, 0}}));
  EXPECT_NE(File("ledeffect.xml").find("<effect sel=\"9\">"), std::string::npos);
  EXPECT_NE(File("sidemodel.xml").find("<effect sel=\"0\">"), std::string::npos);

  EXPECT_EQ(Run({"status"}).out,
            "Keyboard:   found, firmware 1.0\nProfile:    Profile 1\n"
            "Effect:     9 Spectrum cycle (speed 3, brightness 2, direction right, colour 2)\n"
            "Side light: 0 Rainbow flow (speed 5)\nOpenRGB:    kbconfig is not running\n");
  EXPECT_EQ(Run({"status", "--json"}).out,
            "{\"keyboard\":{\"found\":true,\"firmware\":\"1.0\"},\"profile\":\"Profile 1\","
            "\"effect\":{\"index\":9,\"name\":\"Spectrum cycle\",\"speed\":3,\"brightness\":2,\"direction\":\"right\","
            "\"colour\":2},\"side\":{\"index\":0,\"name\":\"Rainbow flow\",\"speed\":5},"
            "\"openrgb\":{\"running\":false,\"enabled\":false,\"port\":0,\"clients\":0}}\n");
}

TEST_F(CtlCommandsTest, ARefusedCommandChangesNothing) {
  ASSERT_EQ(Run({"effect", "5", "--speed", "1"}).exit, ctl::kOk);
  const std::vector<Bytes> before = target.sim.Reports();
  const std::string file = File("ledeffect.xml");
  struct Case {
    std::vector<std::string> arguments;
    int exit;
    std::string error;
  };
  const Case cases[] = {
      {{"effect", "5", "--speed", "9"}, ctl::kBadValue, "speed 9 is out of range (0 to 4): nothing was changed"},
      {{"effect", "5", "--brightness", "-1"}, ctl::kBadValue,
       "brightness -1 is out of range (0 to 4): nothing was changed"},
      {{"effect", "5", "--colour", "3"}, ctl::kBadValue, "colour 3 is out of range (1 to 2): nothing was changed"},
      {{"effect", "5", "--direction", "up"}, ctl::kBadValue, "direction must be left or right, not \"up\""},
      {{"effect", "static", "--speed", "1"}, ctl::kBadValue,
       "speed is not a setting of this effect: nothing was changed"},
      {{"effect", "Lights off"}, ctl::kBadValue, "effect Lights off is not one of effects 0 to 19: nothing was changed"},
      {{"effect", "disco"}, ctl::kBadValue, "no effect named \"disco\" (kbconfigctl list-effects lists them)"},
      {{"side", "Red", "--speed", "2"}, ctl::kBadValue,
       "side light effect Red has a brightness, not a speed: nothing was changed"},
      {{"side", "12"}, ctl::kBadValue, "side effect 12 is out of range (0 to 11): nothing was changed"},
      {{"side", "3", "--brightness", "8"}, ctl::kBadValue, "brightness 8 is out of range (0 to 7): nothing was changed"},
      {{"profile", "Games"}, ctl::kBadValue, "no profile named \"Games\" (profiles: Profile 1)"},
      {{"openrgb", "on"}, ctl::kFailed,
       "lighting control from other programs is served by kbconfig, which is not running"},
      {{"effect", "5", "--speed", "x"}, ctl::kBadUsage, "option --speed needs a number, not \"x\""},
  };
  for (const Case& item : cases) {
    const ctl::Result result = Run(item.arguments);
    EXPECT_EQ(result.exit, item.exit) << item.arguments[1];
    EXPECT_EQ(result.error, item.error);
    EXPECT_EQ(result.out, "");
  }
  target.busy = "kbconfig is restoring the factory settings";
  EXPECT_EQ(Run({"effect", "5"}).exit, ctl::kBusy);
  target.busy.reset();
  target.sim.keyboard.Unplug();
  target.sim.hid.Close();
  const ctl::Result absent = Run({"effect", "5", "--speed", "2"});
  EXPECT_EQ(absent.exit, ctl::kNoKeyboard);
  EXPECT_EQ(absent.error, "no keyboard found: nothing was changed");
  EXPECT_EQ(target.sim.Reports(), before);
  EXPECT_EQ(File("ledeffect.xml"), file);
}

TEST_F(CtlCommandsTest, EffectsAreListedAndNamedInTheUsersLanguage) {
  target.shown = Names("lang_cn");
  const ctl::Result list = Run({"list-effects"});
  EXPECT_EQ(list.exit, ctl::kOk);
  EXPECT_NE(list.out.find("  1\t呼吸\tspeed 0-4, brightness 0-4\n"), std::string::npos);
  EXPECT_NE(list.out.find("  0\t常亮\tbrightness 0-4\n"), std::string::npos);
  EXPECT_NE(list.out.find("Side light effects"), std::string::npos);
  EXPECT_NE(Run({"list-effects", "--json"}).out.find("{\"index\":1,\"name\":\"Breathing\",\"shown\":\"呼吸\","),
            std::string::npos);
  EXPECT_EQ(Run({"effect", "呼吸", "--speed", "4"}).out, "Effect 1 呼吸 (speed 4, brightness 5, direction left, colour 0)\n");
  EXPECT_EQ(Run({"stop-macros"}).out, "kbconfig is not running: no macro is playing\n");
}

}  // namespace
