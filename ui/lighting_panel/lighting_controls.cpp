#include "ui/lighting_panel/lighting_controls.h"

#include <QStringList>

#include "ui/toolkit/control_lookup.h"

namespace ui {

namespace {

constexpr int kDirectionLeftId = 65544;
constexpr int kDirectionRightId = 65545;
constexpr int kLoaderLeftId = 65551;
constexpr int kLoaderCenterId = 65552;
constexpr int kLoaderRightId = 65553;

void AddRadio(std::vector<QRadioButton*>& radios, QWidget* root, int id) {
  if (auto* radio = FindControlById<QRadioButton>(root, id)) radios.push_back(radio);
}

}  // namespace

LightingControls BindLightingControls(QWidget* root) {
  LightingControls controls;
  controls.effectTabs = FindControl<QTabWidget>(root, "tab_color_effect");
  controls.effectCombo = FindControl<QComboBox>(root, "cbx_color_effect");
  controls.speedSliders = {FindControlById<QSlider>(root, 65542), FindControlById<QSlider>(root, 65546), nullptr,
                           FindControlById<QSlider>(root, 65549)};
  controls.brightnessSliders = {FindControlById<QSlider>(root, 65543), FindControlById<QSlider>(root, 65547),
                                FindControlById<QSlider>(root, 65548), FindControlById<QSlider>(root, 65550)};
  AddRadio(controls.directionRadios, root, kDirectionLeftId);
  AddRadio(controls.directionRadios, root, kDirectionRightId);
  AddRadio(controls.loaderRadios, root, kLoaderLeftId);
  AddRadio(controls.loaderRadios, root, kLoaderCenterId);
  AddRadio(controls.loaderRadios, root, kLoaderRightId);
  controls.sideEffectCombo = FindControl<QComboBox>(root, "cbx_side_color_effect");
  controls.sideBrightnessSlider = FindControl<QSlider>(root, kSideSliderName);
  controls.sideLabel = FindControl<QLabel>(root, "text_side_brightness");
  return controls;
}

const std::vector<RequiredControl>& RequiredLightingControls() {
  static const std::vector<RequiredControl> required = {
      {"tab_color_effect", "QTabWidget"},       {"cbx_color_effect", "QComboBox"},
      {"bar_general_speed_0", "QSlider"},       {"bar_general_speed_1", "QSlider"},
      {"bar_general_speed_3", "QSlider"},       {"bar_const_brightness_0", "QSlider"},
      {"bar_const_brightness_1", "QSlider"},    {"bar_const_brightness_2", "QSlider"},
      {"bar_const_brightness_3", "QSlider"},    {"radio_direction_left_0", "QRadioButton"},
      {"radio_direction_right_0", "QRadioButton"}, {"radio_loader_left_3", "QRadioButton"},
      {"radio_loader_center_3", "QRadioButton"}, {"radio_loader_right_3", "QRadioButton"},
      {"cbx_side_color_effect", "QComboBox"},   {"bar_side_brightness", "QSlider"},
      {"text_side_brightness", "QLabel"}};
  return required;
}

bool IsEffectSliderName(const QString& name) {
  static const QStringList names = {"bar_general_speed_0",    "bar_const_brightness_0", "bar_general_speed_1",
                                    "bar_const_brightness_1", "bar_const_brightness_2", "bar_general_speed_3",
                                    "bar_const_brightness_3"};
  return names.contains(name);
}

bool IsEffectRadioId(int id) {
  return id == kDirectionLeftId || id == kDirectionRightId || (id >= kLoaderLeftId && id <= kLoaderRightId);
}

}  // namespace ui
