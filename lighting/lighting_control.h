#pragma once
// The one road of every lighting change, whoever asks for it (the lighting panel, kbconfigctl, an
// OpenRGB client, a profile switch): the store changes, its file is saved (at once after a quiet
// moment, else with the next paced save, see SavePacer), the report is queued on the pacer (which
// sends it off the caller's thread, newest state winning), and the listener hears of it so that
// the window shows what changed.
//
// All members may be called from any thread; changes are applied one at a time.
#include <functional>
#include <mutex>

#include "lighting/lighting_change.h"
#include "lighting/report_pacer.h"
#include "lighting/save_pacer.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"

namespace lighting {

class LightingControl {
 public:
  // `saveClock` paces the file saves (the real clock in the program).
  LightingControl(model::LedEffectStore& effects, model::SideModelStore& sides, ReportPacer& reports,
                  support::Clock& saveClock);

  // Makes change.effect the chosen effect, writes the given values into its record when it has
  // one, saves ledeffect.xml and asks for the effect report. Any index is stored as given, -1
  // included (the panel's combo box without a selection); callers from outside the window check
  // ProblemWith() first. False when a save made at once failed.
  bool ChangeEffect(const EffectChange& change, ChangeSource source);
  // The same for the side light and sidemodel.xml; the level is stored in its low four bits.
  bool ChangeSideLight(const SideChange& change, ChangeSource source);

  // Called after every change, on the thread that made it, outside the road's lock.
  void SetListener(std::function<void(ChangeSource)> listener);

  LightingState State() const;
  ReportPacer& Reports() { return reports_; }
  // Returns once the files hold every change made so far.
  void WaitForSaves() { saves_.WaitUntilIdle(); }
  SavePacer::Totals SaveCounts() const { return saves_.Counts(); }

 private:
  void Tell(ChangeSource source);

  model::LedEffectStore& effects_;
  model::SideModelStore& sides_;
  ReportPacer& reports_;
  SavePacer saves_;
  mutable std::mutex changeMutex_;  // one change (store, save, request) at a time
  std::mutex listenerMutex_;
  std::function<void(ChangeSource)> listener_;
};

}  // namespace lighting
