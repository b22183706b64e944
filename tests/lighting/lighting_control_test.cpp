// The lighting road: a change is stored, saved, reported to the keyboard and told to the listener,
// whoever makes it; changes from outside the window are checked against the effects' ranges.
#include "lighting/lighting_control.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "../common/sim_lighting.h"
#include "../common/temp_folder.h"
#include "lighting/effect_catalogue.h"

namespace {

using lighting::ChangeSource;
using lighting::EffectChange;
using lighting::SideChange;

class LightingControlTest : public ::testing::Test {
 protected:
  LightingControlTest() {
    road.SetListener([this](ChangeSource source) {
      std::scoped_lock lock(heardMutex);  // told on the thread that made the change
      heard.push_back(source);
    });
  }
  std::string File(const char* name) { return sim.File(name); }
  std::vector<std::vector<std::uint8_t>> Reports() { return sim.Reports(); }

  testsupport::TempFolder folder{"kb_road"};
  testsupport::SimLighting sim{folder.Path()};
  model::LedEffectStore& effects = sim.effects;
  model::SideModelStore& sides = sim.sides;
  lighting::LightingControl& road = sim.road;
  std::mutex heardMutex;
  std::vector<ChangeSource> heard;
};

TEST_F(LightingControlTest, AChangeIsStoredSavedReportedAndTold) {
  EXPECT_TRUE(road.ChangeEffect({.effect = 7, .speed = 3, .brightness = 2, .direction = 1, .colour = 2},
                                ChangeSource::kOpenRgb));
  EXPECT_TRUE(road.ChangeSideLight({.side = 5, .level = 6}, ChangeSource::kCommandLine));
  EXPECT_EQ(*effects.RecordAt(7), (model::EffectRecord{.brightness = 2, .speed = 3, .deriction = 1, .selection = 2}));
  EXPECT_NE(File("ledeffect.xml").find("<effect sel=\"7\">"), std::string::npos);
  EXPECT_NE(File("ledeffect.xml").find("<item speed=\"3\" brightness=\"2\" deriction=\"1\" selection=\"2\" />"),
            std::string::npos);
  EXPECT_NE(File("sidemodel.xml").find("<effect sel=\"5\">"), std::string::npos);
  EXPECT_EQ(Reports(), (std::vector<std::vector<std::uint8_t>>{{0x07, 0xFF, 0xFF, 0x08, 2, 3, 1, 0},
                                                               {0x07, 0xFF, 0xFF, 0x20, 0, 0, 0x65, 0}}));
  EXPECT_EQ(heard, (std::vector<ChangeSource>{ChangeSource::kOpenRgb, ChangeSource::kCommandLine}));

  const lighting::LightingState state = road.State();
  EXPECT_EQ(state.effect, 7);
  EXPECT_EQ(state.ChosenEffect()->speed, 3);
  EXPECT_EQ(state.side, 5);
  EXPECT_EQ(state.ChosenSide()->brightness, 6);
}

TEST_F(LightingControlTest, ValuesLeftOutKeepTheRecordAndAnIndexWithoutRecordIsOnlyChosen) {
  road.ChangeEffect({.effect = 4, .speed = 1}, ChangeSource::kPanel);
  EXPECT_EQ(*effects.RecordAt(4), (model::EffectRecord{.brightness = 5, .speed = 1, .deriction = 0, .selection = 0}));
  EXPECT_EQ(Reports().size(), 1u);
  const model::EffectRecord before = *effects.RecordAt(4);
  road.ChangeEffect({.effect = -1, .speed = 4}, ChangeSource::kPanel);  // no selection in the combo box
  road.ChangeEffect({.effect = 21, .brightness = 1}, ChangeSource::kPanel);
  EXPECT_EQ(*effects.RecordAt(4), before);
  EXPECT_EQ(effects.Selected(), 21);
  EXPECT_EQ(Reports().size(), 1u);  // -1 and 21 have no record: nothing for them
  EXPECT_NE(File("ledeffect.xml").find("<effect sel=\"21\">"), std::string::npos);
}

TEST_F(LightingControlTest, ChangesFromTwoThreadsEachLandWhole) {
  std::thread other([this] {
    for (int n = 0; n < 200; ++n) road.ChangeEffect({.effect = 3, .speed = 4, .brightness = 4}, ChangeSource::kOpenRgb);
  });
  for (int n = 0; n < 200; ++n) road.ChangeEffect({.effect = 9, .speed = 0, .brightness = 0}, ChangeSource::kPanel);
  other.join();
  // Whichever change came last, the file holds the memory's state, in far fewer saves.
  road.WaitForSaves();
  model::LedEffectStore reloaded;
  reloaded.Load(folder / "ledeffect.xml");
  EXPECT_EQ(reloaded.Selected(), effects.Selected());
  for (int effect : {3, 9}) {
    EXPECT_EQ(reloaded.RecordAt(effect)->speed, effects.RecordAt(effect)->speed);
    EXPECT_EQ(reloaded.RecordAt(effect)->brightness, effects.RecordAt(effect)->brightness);
  }
  EXPECT_EQ(heard.size(), 400u);
  EXPECT_EQ(road.SaveCounts().requested, 400u);
  EXPECT_LT(road.SaveCounts().written, 400u);
}

TEST(LightingChangeProblemTest, OutsideChangesMustFitTheEffect) {
  struct Case {
    EffectChange change;
    std::string problem;  // empty: fine
  };
  const Case cases[] = {
      {{.effect = 0, .brightness = 4}, ""},
      {{.effect = 19, .speed = 0, .brightness = 4, .direction = 1, .colour = 2}, ""},
      {{.effect = 20}, "effect 20 is out of range (0 to 19)"},
      {{.effect = -1}, "effect -1 is out of range (0 to 19)"},
      {{.effect = 0, .speed = 1}, "speed is not a setting of this effect"},
      {{.effect = 5, .speed = 5}, "speed 5 is out of range (0 to 4)"},
      {{.effect = 5, .brightness = 9}, "brightness 9 is out of range (0 to 4)"},
      {{.effect = 5, .direction = 2}, "direction 2 is out of range (0 to 1)"},
      {{.effect = 5, .colour = 0}, "colour 0 is out of range (1 to 2)"},
  };
  for (const Case& item : cases) {
    const std::optional<lighting::ChangeProblem> problem = lighting::ProblemWith(item.change);
    EXPECT_EQ(problem ? problem->Text() : "", item.problem) << item.change.effect;
  }
  EXPECT_FALSE(lighting::ProblemWith(SideChange{.side = 11, .level = 7}));
  EXPECT_EQ(lighting::ProblemWith(SideChange{.side = 1, .level = 8})->Text(), "speed 8 is out of range (0 to 7)");
  EXPECT_EQ(lighting::ProblemWith(SideChange{.side = 4, .level = 8})->Text(), "brightness 8 is out of range (0 to 7)");
  EXPECT_EQ(lighting::ProblemWith(SideChange{.side = 12})->Text(), "side effect 12 is out of range (0 to 11)");
}

}  // namespace
