#pragma once
// The controls of the lighting panel, found by name below the main window.
#include <array>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QWidget>

#include "ui/toolkit/layout_loader.h"

namespace ui {

struct LightingControls {
  QTabWidget* effectTabs = nullptr;                     // "tab_color_effect": one page per kind of effect
  QComboBox* effectCombo = nullptr;                     // "cbx_color_effect": item n is effect n
  std::array<QSlider*, 4> speedSliders{};               // by page; page 2 has none
  std::array<QSlider*, 4> brightnessSliders{};          // by page
  std::vector<QRadioButton*> directionRadios;           // page 0: left, right
  std::vector<QRadioButton*> loaderRadios;              // page 3: left, center, right
  QComboBox* sideEffectCombo = nullptr;                 // "cbx_side_color_effect": item n is side effect n
  QSlider* sideBrightnessSlider = nullptr;              // "bar_side_brightness"
  QLabel* sideLabel = nullptr;                          // "text_side_brightness"
};

// Finds the panel's controls below `root`; a missing control (or one of another class) stays null.
LightingControls BindLightingControls(QWidget* root);

// The controls the panel needs, for MissingControls().
const std::vector<RequiredControl>& RequiredLightingControls();

// Names of the sliders whose move stores and sends the chosen effect.
bool IsEffectSliderName(const QString& name);
inline constexpr const char* kSideSliderName = "bar_side_brightness";

// IDs of the radios whose click stores and sends the chosen effect.
bool IsEffectRadioId(int id);

}  // namespace ui
