#include "lighting/lighting_control.h"

namespace lighting {

LightingControl::LightingControl(model::LedEffectStore& effects, model::SideModelStore& sides, ReportPacer& reports,
                                 support::Clock& saveClock)
    : effects_(effects), sides_(sides), reports_(reports), saves_(saveClock) {}

bool LightingControl::ChangeEffect(const EffectChange& change, ChangeSource source) {
  bool saved = false;
  {
    std::scoped_lock lock(changeMutex_);
    if (std::optional<model::EffectRecord> record = effects_.RecordAt(change.effect);
        record && change.effect >= 0) {
      if (change.speed) record->speed = *change.speed;
      if (change.brightness) record->brightness = *change.brightness;
      if (change.direction) record->deriction = *change.direction;
      if (change.colour) record->selection = *change.colour;
      effects_.SetRecord(change.effect, *record);
    }
    effects_.SetSelectedUnsaved(change.effect);
    saved = saves_.Save(SavePacer::kEffectsFile, [this] { return effects_.Save().IsSaved(); });
    reports_.SendEffect(change.effect);
  }
  Tell(source);
  return saved;
}

bool LightingControl::ChangeSideLight(const SideChange& change, ChangeSource source) {
  bool saved = false;
  {
    std::scoped_lock lock(changeMutex_);
    if (std::optional<model::SideRecord> record = sides_.RecordAt(change.side); record && change.side >= 0) {
      if (change.level) record->brightness = static_cast<std::uint8_t>(*change.level & 0x0F);
      sides_.SetRecord(change.side, *record);
    }
    sides_.SetSelectedUnsaved(change.side);
    saved = saves_.Save(SavePacer::kSidesFile, [this] { return sides_.Save().IsSaved(); });
    reports_.SendSideLight(change.side);
  }
  Tell(source);
  return saved;
}

void LightingControl::SetListener(std::function<void(ChangeSource)> listener) {
  std::scoped_lock lock(listenerMutex_);
  listener_ = std::move(listener);
}

void LightingControl::Tell(ChangeSource source) {
  std::function<void(ChangeSource)> listener;
  {
    std::scoped_lock lock(listenerMutex_);
    listener = listener_;
  }
  if (listener) listener(source);
}

LightingState LightingControl::State() const {
  std::scoped_lock lock(changeMutex_);
  LightingState state;
  state.effect = effects_.Selected();
  for (std::size_t index = 0; index < state.effects.size(); ++index) {
    state.effects[index] = effects_.RecordAt(static_cast<int>(index)).value_or(model::EffectRecord{});
  }
  state.side = sides_.Selected();
  for (std::size_t index = 0; index < state.sides.size(); ++index) {
    state.sides[index] = sides_.RecordAt(static_cast<int>(index)).value_or(model::SideRecord{});
  }
  return state;
}

}  // namespace lighting
