#include "ui/lighting_panel/lighting_panel.h"

#include <utility>

#include <QSignalBlocker>
#include <QTabBar>

#include "lighting/effect_catalogue.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {

namespace {

std::uint8_t AsByte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Selects `index` without emitting the change signal; true when the combo box has that item.
bool SelectQuietly(QComboBox* combo, int index) {
  if (!combo || index < 0 || index >= combo->count()) return false;
  const QSignalBlocker quiet(combo);
  combo->setCurrentIndex(index);
  return true;
}

int CurrentIndex(const QComboBox* combo) { return combo ? combo->currentIndex() : -1; }

}  // namespace

LightingPanel::LightingPanel(const LightingControls& controls, model::LedEffectStore& effects,
                             model::SideModelStore& sides, lighting::LightingControl& road)
    : controls_(controls), effects_(effects), sides_(sides), road_(road) {
  // The chosen effect decides the page; a tab bar would offer pages that only re-send the effect.
  if (controls_.effectTabs) controls_.effectTabs->tabBar()->hide();
}

int LightingPanel::PageForEffect(int effect) {
  if (effect == 0) return kBrightnessPage;
  if (effect >= 1 && effect <= 19) return kSpeedBrightnessPage;
  if (effect == kLoadingBarEffect) return kLoadingBarPage;
  return -1;
}

int LightingPanel::SliderValue(const QSlider* slider) { return slider ? slider->value() : 0; }

// Sliders shown from a record do not count as the user moving them. QSlider clamps to its range.
void LightingPanel::SetSliderQuietly(QSlider* slider, int value) {
  if (!slider) return;
  const QSignalBlocker quiet(slider);
  slider->setValue(value);
}

void LightingPanel::ShowEffect(bool select) {
  const int effect = effects_.Selected();
  // Selecting raises the change exactly once, also when the item was already the current one.
  if (select && SelectQuietly(controls_.effectCombo, effect)) OnEffectComboChanged();

  const int page = PageForEffect(effect);
  if (page < 0) return;
  if (controls_.effectTabs) controls_.effectTabs->setCurrentIndex(page);
  const std::optional<model::EffectRecord> record = effects_.RecordAt(effect);
  if (!record) return;  // effect 21 has a page but no record
  const lighting::EffectValues values = lighting::ValuesOfEffect(effect);
  if (values.speed) SetSliderQuietly(controls_.speedSliders[page], record->speed);
  if (values.brightness) SetSliderQuietly(controls_.brightnessSliders[page], record->brightness);
}

void LightingPanel::ShowStored() {
  for (auto [combo, index] : {std::pair{controls_.effectCombo, effects_.Selected()},
                              std::pair{controls_.sideEffectCombo, sides_.Selected()}}) {
    // An index the combo box lacks shows as no item rather than as the last profile's.
    if (!SelectQuietly(combo, index) && combo) {
      const QSignalBlocker quiet(combo);
      combo->setCurrentIndex(-1);
    }
  }
  ShowEffect(false);
  ShowSideLight(false);
}

void LightingPanel::StoreEffect() {
  lighting::EffectChange change{.effect = CurrentIndex(controls_.effectCombo)};
  // The effect's own page holds its values, whichever page's control moved.
  if (const int page = PageForEffect(change.effect); page >= 0) {
    const lighting::EffectValues values = lighting::ValuesOfEffect(change.effect);
    if (values.speed) change.speed = AsByte(SliderValue(controls_.speedSliders[page]));
    if (values.brightness) change.brightness = AsByte(SliderValue(controls_.brightnessSliders[page]));
  }
  road_.ChangeEffect(change, lighting::ChangeSource::kPanel);
}

void LightingPanel::ShowSideLight(bool select) {
  const int side = sides_.Selected();
  SetSideCaption(side <= 2 ? "Speed" : "Brightness");
  if (select && SelectQuietly(controls_.sideEffectCombo, side)) OnSideComboChanged();
  if (const std::optional<model::SideRecord> record = sides_.RecordAt(side); record && side >= 0) {
    SetSliderQuietly(controls_.sideBrightnessSlider, record->brightness);
  }
}

void LightingPanel::StoreSideLight() {
  road_.ChangeSideLight({.side = CurrentIndex(controls_.sideEffectCombo),
                         .level = AsByte(SliderValue(controls_.sideBrightnessSlider) & 0x0F)},
                        lighting::ChangeSource::kPanel);
}

void LightingPanel::Reflect() {
  SelectQuietly(controls_.effectCombo, effects_.Selected());
  SelectQuietly(controls_.sideEffectCombo, sides_.Selected());
  ShowEffect(false);
  ShowSideLight(false);
}

void LightingPanel::OnEffectControlChanged() { StoreEffect(); }

void LightingPanel::OnSideSliderMoved() { StoreSideLight(); }

void LightingPanel::OnEffectComboChanged() {
  road_.ChangeEffect({.effect = CurrentIndex(controls_.effectCombo)}, lighting::ChangeSource::kPanel);
  ShowEffect(false);
}

void LightingPanel::OnSideComboChanged() {
  road_.ChangeSideLight({.side = CurrentIndex(controls_.sideEffectCombo)}, lighting::ChangeSource::kPanel);
  ShowSideLight(false);
}

void LightingPanel::SetSideCaption(const char* englishText) {
  sideCaption_ = englishText;
  RetranslateSideLabel();
}

void LightingPanel::RetranslateSideLabel() {
  if (controls_.sideLabel && sideCaption_) controls_.sideLabel->setText(Tr(sideCaption_));
}

}  // namespace ui
