// The keyboard as OpenRGB controllers, end to end in one process: a client's mode change reaches
// the emulated keyboard as the exact report the panel would send, and the files.
#include "outside/openrgb/lighting_sdk_device.h"

#include <gtest/gtest.h>

#include "../common/sim_lighting.h"
#include "../common/temp_folder.h"
#include "outside/openrgb/byte_writer.h"
#include "outside/openrgb/sdk_session.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

model::EffectNames ShippedNames() {
  std::string error;
  std::optional<model::EffectNames> names = model::LoadEffectNames(KBCONFIG_UIRES_DIR, "lang_en", error);
  EXPECT_TRUE(names) << error;
  return names.value_or(model::EffectNames{});
}

Bytes ModeChange(std::uint32_t controller, std::int32_t mode, std::uint32_t speed, std::uint32_t brightness) {
  openrgb::ByteWriter data;
  data.U32(0);
  data.I32(mode);
  openrgb::WriteMode(data, {.name = "x", .speed = speed, .brightness = brightness}, openrgb::kServerProtocolVersion);
  data.PatchU32(0, static_cast<std::uint32_t>(data.Size()));
  return openrgb::Packet(controller, openrgb::kUpdateMode, data.Data());
}

class LightingSdkDeviceTest : public ::testing::Test {
 protected:
  LightingSdkDeviceTest() {
    Bytes version(4);
    version[0] = 5;
    session.Receive(openrgb::Packet(0, openrgb::kRequestProtocolVersion, version));
  }

  testsupport::TempFolder folder{"kb_sdkdev"};
  testsupport::SimLighting sim{folder.Path()};
  openrgb::LightingSdkDevice sdkDevice{sim.road, ShippedNames(), {.name = "kbconfig keyboard", .location = "HID 1a2b:0c3d"}};
  openrgb::SdkSession session{sdkDevice};
};

TEST_F(LightingSdkDeviceTest, EffectsAreModesWithThePanelsValues) {
  const std::vector<openrgb::ControllerDescription> controllers = sdkDevice.Controllers();
  ASSERT_EQ(controllers.size(), 2u);
  const openrgb::ControllerDescription& keyboardController = controllers[0];
  EXPECT_EQ(keyboardController.type, openrgb::kDeviceTypeKeyboard);
  ASSERT_EQ(keyboardController.modes.size(), 20u);
  EXPECT_EQ(keyboardController.modes[0].name, "Static");
  EXPECT_EQ(keyboardController.modes[0].flags, openrgb::kModeHasBrightness);
  EXPECT_EQ(keyboardController.modes[9].name, "Spectrum cycle");
  EXPECT_EQ(keyboardController.modes[9].value, 10);  // the effect code
  for (std::size_t mode = 1; mode < 20; ++mode) {
    EXPECT_EQ(keyboardController.modes[mode].flags, openrgb::kModeHasSpeed | openrgb::kModeHasBrightness) << mode;
    EXPECT_EQ(keyboardController.modes[mode].speedMax, 4u);
    EXPECT_EQ(keyboardController.modes[mode].brightnessMax, 4u);
  }
  const openrgb::ControllerDescription& side = controllers[1];
  ASSERT_EQ(side.modes.size(), 12u);
  EXPECT_EQ(side.modes[0].name, "Rainbow flow");
  EXPECT_EQ(side.modes[2].flags, openrgb::kModeHasSpeed);
  EXPECT_EQ(side.modes[2].speedMax, 7u);
  EXPECT_EQ(side.modes[3].flags, openrgb::kModeHasBrightness);
  EXPECT_EQ(side.modes[11].name, "Side light off");
  EXPECT_EQ(side.leds.size(), 1u);
}

TEST_F(LightingSdkDeviceTest, AClientsModeChangeReachesTheKeyboardAndTheFiles) {
  for (const Bytes& change : {ModeChange(0, 5, 3, 2), ModeChange(1, 4, 0, 6), ModeChange(1, 1, 5, 0)}) {
    EXPECT_EQ(session.Receive(change).changes, 1);
    sim.pacer.WaitUntilIdle();
  }
  // Side effect 1 takes a speed; it lives in the side record's one value, as the panel keeps it.
  EXPECT_EQ(sim.Reports(), (std::vector<Bytes>{{0x07, 0xFF, 0xFF, 0x06, 2, 3, 0, 0},
                                           {0x07, 0xFF, 0xFF, 0x20, 0, 0, 0x64, 0},
                                           {0x07, 0xFF, 0xFF, 0x20, 0, 0, 0x51, 0}}));
  EXPECT_NE(sim.File("ledeffect.xml").find("<effect sel=\"5\">"), std::string::npos);
  EXPECT_EQ(sim.sides.RecordAt(4)->brightness, 6);
  const std::vector<openrgb::ControllerDescription> controllers = sdkDevice.Controllers();
  EXPECT_EQ(controllers[0].activeMode, 5);
  EXPECT_EQ(controllers[0].modes[5].speed, 3u);
  EXPECT_EQ(controllers[1].activeMode, 1);
}

TEST(EffectNamesTest, NamesComeFromTheLayoutAndMatchLoosely) {
  std::string error;
  const std::optional<model::EffectNames> english = model::LoadEffectNames(KBCONFIG_UIRES_DIR, "lang_en", error);
  const std::optional<model::EffectNames> chinese = model::LoadEffectNames(KBCONFIG_UIRES_DIR, "lang_cn", error);
  ASSERT_TRUE(english && chinese) << error;
  EXPECT_EQ(english->effects.size(), 22u);
  EXPECT_EQ(english->sides.size(), 12u);
  EXPECT_EQ(chinese->Effect(1), "呼吸");
  EXPECT_EQ(english->Effect(40), "Effect 40");
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"Breathing", 1}, {"spectrum-cycle", 9}, {"SPECTRUM_CYCLE", 9}, {"呼吸", 1}, {"7", 7}, {"-3", -3},
      {"nothing", std::nullopt}, {"", std::nullopt}, {"  ", std::nullopt}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(model::FindEffectByName(text, english->effects, chinese->effects), expected) << text;
  }
}

}  // namespace
