#include "device/commands/keyboard_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/sim_keyboard.h"
#include "support/logger.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Kind = sim::ReceivedReport::Kind;
using model::EffectRecord;

class KeyboardCommandsTest : public ::testing::Test {
 protected:
  KeyboardCommandsTest() {
    keyboard.SetFirmwareVersion(0x0100);
    EXPECT_TRUE(device.Open(sim::kStandardLightingPath, device::kReadWriteShared));
    keyboard.ClearReports();
  }

  // Every report the keyboard received, as (kind, bytes).
  std::vector<std::pair<Kind, Bytes>> Received() const {
    std::vector<std::pair<Kind, Bytes>> result;
    for (const sim::ReceivedReport& report : keyboard.Reports()) result.emplace_back(report.kind, report.bytes);
    return result;
  }
  Bytes OnlyFeatureReport() const {
    const auto received = Received();
    EXPECT_EQ(received.size(), 1u);
    if (received.size() != 1) return {};
    EXPECT_EQ(received[0].first, Kind::kSetFeature);
    return received[0].second;
  }

  support::ScopedLogCapture log;
  support::ManualClock clock;
  sim::SimHidSystem keyboard{sim::StandardKeyboard(), clock};
  device::HidDevice device{keyboard};
  model::LedEffectStore effects;  // no file: changes stay in memory
  model::SideModelStore sides;
  device::KeyboardCommands commands{device, effects, sides, clock};
};

TEST_F(KeyboardCommandsTest, EffectCodeFollowsTheIndex) {
  effects.SetRecord(0, EffectRecord{.brightness = 4, .speed = 0, .deriction = 0, .selection = 1});
  effects.SetRecord(1, EffectRecord{.brightness = 2, .speed = 3, .deriction = 1, .selection = 2});
  effects.SetRecord(19, EffectRecord{.brightness = 1, .speed = 4, .deriction = 0, .selection = 1});
  commands.SendEffect(0);
  commands.SendEffect(1);
  commands.SendEffect(19);
  const std::vector<std::pair<Kind, Bytes>> expected = {
      {Kind::kSetFeature, {0x07, 0xFF, 0xFF, 0x00, 4, 0, 0, 0x00}},
      {Kind::kSetFeature, {0x07, 0xFF, 0xFF, 0x02, 2, 3, 1, 0x00}},
      {Kind::kSetFeature, {0x07, 0xFF, 0xFF, 0x14, 1, 4, 0, 0x00}},
  };
  EXPECT_EQ(Received(), expected);
}

TEST_F(KeyboardCommandsTest, SelectionIsMappedOnTheWire) {
  const std::pair<int, int> cases[] = {{3, 2}, {0, 0}, {7, 7}, {1, 0}};
  for (const auto& [selection, code] : cases) {
    keyboard.ClearReports();
    effects.SetRecord(6, EffectRecord{.brightness = 1, .speed = 2, .deriction = 0,
                                      .selection = static_cast<std::uint8_t>(selection)});
    commands.SendEffect(6);
    EXPECT_EQ(OnlyFeatureReport(), (Bytes{0x07, 0xFF, 0xFF, 0x07, 1, 2, static_cast<std::uint8_t>(code), 0x00}))
        << selection;
  }
}

TEST_F(KeyboardCommandsTest, MinusOneSendsTheStoredEffectWithItsOwnCode) {
  effects.SetRecord(5, EffectRecord{.brightness = 3, .speed = 1, .deriction = 0, .selection = 2});
  effects.SetSelected(5);
  commands.SendEffect(-1);
  EXPECT_EQ(OnlyFeatureReport(), (Bytes{0x07, 0xFF, 0xFF, 0x06, 3, 1, 1, 0x00}));
}

TEST_F(KeyboardCommandsTest, IndicesWithoutRecordSendNothing) {
  effects.SetSelected(20);  // the default: no effect chosen
  commands.SendEffect(-1);
  commands.SendEffect(20);
  commands.SendEffect(21);
  sides.SetSelected(12);
  commands.SendSideLight(-1);
  commands.SendSideLight(12);
  commands.SendSideLight(-5);
  EXPECT_TRUE(Received().empty());
  EXPECT_EQ(clock.TotalSlept(), 0ms);
}

TEST_F(KeyboardCommandsTest, SideLightCarriesBrightnessAndIndex) {
  sides.SetRecord(5, model::SideRecord{4});
  commands.SendSideLight(5);
  EXPECT_EQ(OnlyFeatureReport(), (Bytes{0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x45, 0x00}));

  keyboard.ClearReports();
  sides.SetRecord(3, model::SideRecord{6});
  sides.SetSelected(3);
  commands.SendSideLight(-1);
  EXPECT_EQ(OnlyFeatureReport(), (Bytes{0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x63, 0x00}));
}

TEST_F(KeyboardCommandsTest, StartupEffectSendsRecordZeroWhateverIsSelected) {
  effects.SetRecord(0, EffectRecord{.brightness = 2, .speed = 3, .deriction = 1, .selection = 3});
  effects.SetSelected(8);
  commands.RestartPacing();
  commands.SendStartupEffect();
  EXPECT_EQ(OnlyFeatureReport(), (Bytes{0x07, 0xFF, 0xFF, 0x00, 2, 3, 1, 3}));
  EXPECT_EQ(clock.TotalSlept(), 0ms);  // not paced
}

TEST_F(KeyboardCommandsTest, FactoryRestoreIsAnOutputReport) {
  commands.RestartPacing();
  commands.SendFactoryRestore();
  const std::vector<std::pair<Kind, Bytes>> expected = {{Kind::kOutput, {0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0}}};
  EXPECT_EQ(Received(), expected);
  EXPECT_EQ(clock.TotalSlept(), 0ms);
}

TEST_F(KeyboardCommandsTest, VersionQueryReadsTheWordAsUnsigned) {
  EXPECT_EQ(commands.Version(), -1);
  ASSERT_TRUE(commands.QueryVersion());
  EXPECT_EQ(commands.Version(), 0x0100);
  const std::vector<std::pair<Kind, Bytes>> expected = {
      {Kind::kSetFeature, {0x07, 0xF1, 0, 0, 0, 0, 0, 0}},
      {Kind::kGetFeature, {0x07, 0x01, 0x00, 0, 0, 0, 0, 0}},
  };
  EXPECT_EQ(Received(), expected);

  keyboard.SetFirmwareVersion(0xFFFF);
  ASSERT_TRUE(commands.QueryVersion());
  EXPECT_EQ(commands.Version(), 0xFFFF);
}

TEST_F(KeyboardCommandsTest, FailedVersionQueryKeepsThePreviousWord) {
  ASSERT_TRUE(commands.QueryVersion());
  keyboard.SetFirmwareVersion(0x0200);
  keyboard.Unplug();
  EXPECT_FALSE(commands.QueryVersion());
  EXPECT_EQ(commands.Version(), 0x0100);

  device.Close();
  keyboard.ClearReports();
  EXPECT_FALSE(commands.QueryVersion());  // not open: nothing is even tried
  EXPECT_TRUE(Received().empty());
  EXPECT_EQ(commands.Version(), 0x0100);
}

TEST_F(KeyboardCommandsTest, LightingReportsAreAtLeastAHundredMillisecondsApart) {
  commands.SendEffect(2);  // nothing sent before: goes at once
  EXPECT_EQ(clock.TotalSlept(), 0ms);
  clock.Advance(30ms);
  commands.SendEffect(3);
  EXPECT_EQ(clock.TotalSlept(), 70ms);
  clock.Advance(40ms);
  commands.SendSideLight(1);  // side-light reports share the same pacing
  EXPECT_EQ(clock.TotalSlept(), 130ms);
  clock.Advance(150ms);
  commands.SendEffect(4);
  EXPECT_EQ(clock.TotalSlept(), 130ms);

  const auto reports = keyboard.Reports();
  ASSERT_EQ(reports.size(), 4u);
  for (std::size_t n = 1; n < reports.size(); ++n) EXPECT_GE(reports[n].at - reports[n - 1].at, 100ms) << n;
}

TEST_F(KeyboardCommandsTest, RestartPacingDelaysTheNextLightingReport) {
  commands.RestartPacing();
  clock.Advance(10ms);
  commands.SendSideLight(0);
  EXPECT_EQ(clock.TotalSlept(), 90ms);
}

TEST_F(KeyboardCommandsTest, FailedTransferStillCountsForPacing) {
  keyboard.Unplug();
  commands.SendEffect(0);
  clock.Advance(50ms);
  commands.SendEffect(0);
  EXPECT_EQ(clock.TotalSlept(), 50ms);
  EXPECT_TRUE(Received().empty());
}

}  // namespace
