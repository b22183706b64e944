// The lighting panel inside the main window on the emulated keyboard: effect and side choices,
// sliders and radios, the pages and the side caption, and the report pacing.
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "main_window_rig.h"

namespace uitest {
namespace {

using namespace std::chrono_literals;

// ledeffect.xml with the given selection, effect 5 at speed 2 / brightness 3 and effect 0 at
// brightness 1; the other records speed 0 / brightness 4.
std::string EffectFile(int selected) {
  std::string text = "<?xml version=\"1.0\"?>\n<effect sel=\"" + std::to_string(selected) + "\">\n";
  for (int index = 0; index < 20; ++index) {
    const int speed = index == 5 ? 2 : 0;
    const int brightness = index == 5 ? 3 : index == 0 ? 1 : 4;
    text += "\t<item speed=\"" + std::to_string(speed) + "\" brightness=\"" + std::to_string(brightness) +
            "\" deriction=\"0\" selection=\"1\" />\n";
  }
  return text + "</effect>\n";
}

class LightingPanelTest : public ::testing::Test {
 protected:
  void StartWith(int selectedEffect, int selectedSide = 0) {
    rig.WriteFile("ledeffect.xml", EffectFile(selectedEffect));
    rig.WriteFile("sidemodel.xml",
                  "<?xml version=\"1.0\"?>\n<effect sel=\"" + std::to_string(selectedSide) + "\">\n</effect>\n");
    rig.LoadDataFiles();
    ASSERT_TRUE(rig.Start());
    rig.ClearReports();
  }
  QSlider* Slider(const char* name) { return rig.Control<QSlider>(name); }
  QComboBox* EffectCombo() { return rig.Control<QComboBox>("cbx_color_effect"); }
  QComboBox* SideCombo() { return rig.Control<QComboBox>("cbx_side_color_effect"); }
  QTabWidget* Tabs() { return rig.Control<QTabWidget>("tab_color_effect"); }
  // As a user clicks: each choice's report has gone out before the next choice (quicker ones
  // reach the keyboard as their newest state only).
  void ThenWait() { rig.window->WaitForLightingReports(); }
  std::string SavedSel() {
    const std::string text = rig.ReadFile("ledeffect.xml");
    const auto start = text.find("sel=\"");
    return text.substr(start + 5, text.find('"', start + 5) - start - 5);
  }

  MainWindowRig rig;
};

TEST_F(LightingPanelTest, StoredEffect20ChangesNoPageAndSendsNothing) {
  rig.WriteFile("ledeffect.xml", EffectFile(20));
  rig.LoadDataFiles();
  ASSERT_TRUE(rig.Start());
  EXPECT_EQ(Tabs()->currentIndex(), 0);
  EXPECT_EQ(EffectCombo()->currentIndex(), 20);
  EXPECT_TRUE(rig.EffectReportTexts().empty());
  EXPECT_EQ(SavedSel(), "20");
}

TEST_F(LightingPanelTest, StoredEffectIsShownAndSentAtStart) {
  rig.WriteFile("ledeffect.xml", EffectFile(5));
  rig.LoadDataFiles();
  ASSERT_TRUE(rig.Start());
  EXPECT_EQ(Tabs()->currentIndex(), 1);
  EXPECT_EQ(Slider("bar_general_speed_1")->value(), 2);
  EXPECT_EQ(Slider("bar_const_brightness_1")->value(), 3);
  // Version query, effect (code 6, selection 1 sent as 0), then the side light.
  EXPECT_EQ(rig.SentReportTexts(), (std::vector<std::string>{"07 f1 00 00 00 00 00 00", "07 ff ff 06 03 02 00 00",
                                                             "07 ff ff 20 00 00 40 00"}));
}

TEST_F(LightingPanelTest, ChoosingEffect5SavesShowsPage1AndSendsOnce) {
  StartWith(20);
  EffectCombo()->setCurrentIndex(5);
  EXPECT_EQ(SavedSel(), "5");
  EXPECT_EQ(Tabs()->currentIndex(), 1);
  EXPECT_EQ(Slider("bar_general_speed_1")->value(), 2);
  EXPECT_EQ(Slider("bar_const_brightness_1")->value(), 3);
  EXPECT_EQ(rig.EffectReportTexts(), std::vector<std::string>{"07 ff ff 06 03 02 00 00"});
  EXPECT_EQ(rig.SentReports().size(), 1u);
}

TEST_F(LightingPanelTest, EffectPagesByEffect) {
  StartWith(20);
  EffectCombo()->setCurrentIndex(0);
  ThenWait();
  EXPECT_EQ(Tabs()->currentIndex(), 2);
  EXPECT_EQ(Slider("bar_const_brightness_2")->value(), 1);
  EffectCombo()->setCurrentIndex(21);
  EXPECT_EQ(Tabs()->currentIndex(), 3);
  EffectCombo()->setCurrentIndex(20);
  EXPECT_EQ(Tabs()->currentIndex(), 3);  // effect 20 has no page: the page stays
  EXPECT_EQ(SavedSel(), "20");
  // Effect 0 sends code 0; 21 and 20 have no record and send nothing.
  EXPECT_EQ(rig.EffectReportTexts(), std::vector<std::string>{"07 ff ff 00 01 00 00 00"});
}

TEST_F(LightingPanelTest, BrightnessSliderStoresPageValuesSavesAndSendsOnce) {
  StartWith(5);
  Slider("bar_general_speed_1")->blockSignals(true);
  Slider("bar_general_speed_1")->setValue(4);  // a position the store does not know yet
  Slider("bar_general_speed_1")->blockSignals(false);
  Slider("bar_const_brightness_1")->setValue(0);
  EXPECT_EQ(rig.effects.RecordAt(5)->brightness, 0);
  rig.ClearReports();
  Slider("bar_const_brightness_1")->setValue(3);
  EXPECT_EQ(rig.effects.RecordAt(5)->brightness, 3);
  EXPECT_EQ(rig.effects.RecordAt(5)->speed, 4);
  EXPECT_NE(rig.ReadFile("ledeffect.xml").find("<item speed=\"4\" brightness=\"3\""), std::string::npos);
  EXPECT_EQ(rig.SentReportTexts(), std::vector<std::string>{"07 ff ff 06 03 04 00 00"});
}

TEST_F(LightingPanelTest, PageZeroControlsResendTheChosenEffectFromItsOwnPage) {
  StartWith(5);
  Slider("bar_const_brightness_0")->setValue(1);
  ThenWait();
  EXPECT_EQ(rig.effects.RecordAt(5)->brightness, 3);  // from page 1, not page 0
  EXPECT_EQ(rig.effects.RecordAt(5)->speed, 2);
  rig.Control<QRadioButton>("radio_direction_right_0")->click();
  ThenWait();
  rig.Control<QRadioButton>("radio_loader_center_3")->click();
  ThenWait();
  Slider("bar_general_speed_3")->setValue(3);
  EXPECT_EQ(rig.EffectReportTexts(), std::vector<std::string>(4, "07 ff ff 06 03 02 00 00"));
}

TEST_F(LightingPanelTest, RadiosStartUnchecked) {
  StartWith(5);
  for (const char* name : {"radio_direction_left_0", "radio_direction_right_0", "radio_loader_left_3",
                           "radio_loader_center_3", "radio_loader_right_3"}) {
    EXPECT_FALSE(rig.Control<QRadioButton>(name)->isChecked()) << name;
  }
}

TEST_F(LightingPanelTest, SideCaptionFollowsTheSideEffect) {
  StartWith(20, 3);
  auto* caption = rig.Control<QLabel>("text_side_brightness");
  EXPECT_EQ(caption->text(), "Brightness");
  SideCombo()->setCurrentIndex(1);
  ThenWait();
  EXPECT_EQ(caption->text(), "Speed");
  SideCombo()->setCurrentIndex(2);
  ThenWait();
  EXPECT_EQ(caption->text(), "Speed");
  SideCombo()->setCurrentIndex(3);
  EXPECT_EQ(caption->text(), "Brightness");
  EXPECT_EQ(rig.SideReportTexts(), (std::vector<std::string>{"07 ff ff 20 00 00 41 00", "07 ff ff 20 00 00 42 00",
                                                             "07 ff ff 20 00 00 73 00"}));
}

TEST_F(LightingPanelTest, SideSliderStoresLowNibbleAndSends) {
  StartWith(20, 4);
  EXPECT_EQ(Slider("bar_side_brightness")->value(), 7);
  Slider("bar_side_brightness")->setValue(6);
  EXPECT_EQ(rig.sides.RecordAt(4)->brightness, 6);
  EXPECT_NE(rig.ReadFile("sidemodel.xml").find("sel=\"4\""), std::string::npos);
  EXPECT_EQ(rig.SentReportTexts(), std::vector<std::string>{"07 ff ff 20 00 00 64 00"});
}

TEST_F(LightingPanelTest, ReportsArePacedBy100Milliseconds) {
  StartWith(5);
  rig.clock.Advance(1s);
  Slider("bar_const_brightness_1")->setValue(1);
  ThenWait();
  rig.clock.Advance(30ms);
  Slider("bar_const_brightness_1")->setValue(2);
  const std::vector<sim::ReceivedReport> sent = rig.SentReports();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].at - sent[0].at, 100ms);
  EXPECT_EQ(Hex(sent[1].bytes), "07 ff ff 06 02 02 00 00");
}

TEST_F(LightingPanelTest, ADragReachesTheKeyboardAsItsLastPositionAndTheFileAsWell) {
  StartWith(5);
  Slider("bar_const_brightness_1")->setValue(0);
  ThenWait();  // the pacing now holds the next report back for 100 ms
  for (int position : {1, 2, 3, 4, 3}) Slider("bar_const_brightness_1")->setValue(position);
  const std::vector<std::string> sent = rig.EffectReportTexts();
  EXPECT_GE(sent.size(), 2u);
  EXPECT_EQ(sent.back(), "07 ff ff 06 03 02 00 00");
  EXPECT_NE(rig.ReadFile("ledeffect.xml").find("<item speed=\"2\" brightness=\"3\""), std::string::npos);
}

}  // namespace
}  // namespace uitest
