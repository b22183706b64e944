#include "ui/lighting_panel/lighting_panel.h"

#include <utility>

#include <QSignalBlocker>
#include <QTabBar>

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
                             model::SideModelStore& sides, device::KeyboardCommands& commands)
    : controls_(controls), effects_(effects), sides_(sides), commands_(commands) {
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
  if (page == kBrightnessPage) {
    SetSliderQuietly(controls_.brightnessSliders[kBrightnessPage], record->brightness);
  } else {
    SetSliderQuietly(controls_.speedSliders[kSpeedBrightnessPage], record->speed);
    SetSliderQuietly(controls_.brightnessSliders[kSpeedBrightnessPage], record->brightness);
  }
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
  const int effect = CurrentIndex(controls_.effectCombo);
  effects_.SetSelected(effect);
  if (std::optional<model::EffectRecord> record = effects_.RecordAt(effect); record && effect >= 0) {
    if (effect == 0) {
      record->brightness = AsByte(SliderValue(controls_.brightnessSliders[kBrightnessPage]));
    } else {
      record->speed = AsByte(SliderValue(controls_.speedSliders[kSpeedBrightnessPage]));
      record->brightness = AsByte(SliderValue(controls_.brightnessSliders[kSpeedBrightnessPage]));
    }
    effects_.SetRecord(effect, *record);
  }
  if (effect >= 0 && effect <= kLoadingBarEffect) effects_.Save();
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
  const int side = CurrentIndex(controls_.sideEffectCombo);
  sides_.SetSelected(side);
  if (std::optional<model::SideRecord> record = sides_.RecordAt(side); record && side >= 0) {
    record->brightness = AsByte(SliderValue(controls_.sideBrightnessSlider) & 0x0F);
    sides_.SetRecord(side, *record);
  }
  sides_.Save();
}

void LightingPanel::OnEffectControlChanged() {
  StoreEffect();
  commands_.SendEffect(CurrentIndex(controls_.effectCombo));
}

void LightingPanel::OnSideSliderMoved() {
  StoreSideLight();
  commands_.SendSideLight(CurrentIndex(controls_.sideEffectCombo));
}

void LightingPanel::OnEffectComboChanged() {
  const int effect = CurrentIndex(controls_.effectCombo);
  effects_.SetSelected(effect);
  ShowEffect(false);
  commands_.SendEffect(effect);
}

void LightingPanel::OnSideComboChanged() {
  const int side = CurrentIndex(controls_.sideEffectCombo);
  sides_.SetSelected(side);
  ShowSideLight(false);
  commands_.SendSideLight(side);
}

void LightingPanel::SetSideCaption(const char* englishText) {
  sideCaption_ = englishText;
  RetranslateSideLabel();
}

void LightingPanel::RetranslateSideLabel() {
  if (controls_.sideLabel && sideCaption_) controls_.sideLabel->setText(Tr(sideCaption_));
}

}  // namespace ui
