#pragma once
// The lighting panel of the main window: the effect and side-light combo boxes, the effect pages
// with their sliders and radios, and the side slider. The stores hold the truth; every change goes
// the lighting road (stored, saved at once, its report queued on the pacer). Changes made from
// outside the window (the command line, OpenRGB clients) are shown by Reflect. Runs on the window
// thread only.
#include <cstdint>

#include "lighting/lighting_control.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "ui/lighting_panel/lighting_controls.h"

namespace ui {

class LightingPanel {
 public:
  // Tab pages of the effect tabs.
  static constexpr int kDirectionPage = 0;   // its values are never read
  static constexpr int kSpeedBrightnessPage = 1;  // effects 1 to 19
  static constexpr int kBrightnessPage = 2;  // effect 0
  static constexpr int kLoadingBarPage = 3;  // effect 21
  static constexpr int kLoadingBarEffect = 21;

  LightingPanel(const LightingControls& controls, model::LedEffectStore& effects, model::SideModelStore& sides,
                lighting::LightingControl& road);

  // Shows the stored effect on its page. With `select`, first selects it in the effect combo box
  // and raises the combo change (which saves, shows and sends it) when the combo box has that item.
  void ShowEffect(bool select);
  // Makes the combo box's effect the stored one and fills its record from its page; saves and
  // sends it.
  void StoreEffect();
  // Shows the stored side effect: the slider caption, then (with `select`) the combo selection
  // with its change, then the slider position.
  void ShowSideLight(bool select);
  // Makes the combo box's side effect the stored one and stores the side slider into it; saves and
  // sends it.
  void StoreSideLight();
  // Shows what the stores hold after a change made elsewhere: both combo boxes, the pages, the
  // sliders and the side caption, without storing or sending anything.
  void Reflect();

  // Shows what the stores hold now (another profile came): both combo boxes, the effect page and
  // the sliders, without saving or sending anything.
  void ShowStored();

  // Events, routed here by the main window.
  void OnEffectControlChanged();  // an effect slider moved, or a direction or loader radio clicked
  void OnSideSliderMoved();
  void OnEffectComboChanged();
  void OnSideComboChanged();

  // Sets the side caption again in the current language.
  void RetranslateSideLabel();

  // The page an effect is shown on; -1 for none (effect 20 and unknown values).
  static int PageForEffect(int effect);

 private:
  static int SliderValue(const QSlider* slider);
  static void SetSliderQuietly(QSlider* slider, int value);
  void SetSideCaption(const char* englishText);

  LightingControls controls_;
  model::LedEffectStore& effects_;
  model::SideModelStore& sides_;
  lighting::LightingControl& road_;
  const char* sideCaption_ = nullptr;  // English source of the side caption, for retranslation
};

}  // namespace ui
