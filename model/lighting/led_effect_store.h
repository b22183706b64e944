#pragma once
// The keyboard's main lighting: 20 effect records and the chosen effect, mirrored in ledeffect.xml.
//
// All members may be called from any thread: the window thread changes the store while the
// start-up effect job reads record 0 on a worker thread.
#include <cstdint>

#include "model/lighting/effect_record.h"
#include "model/lighting/lighting_store.h"

namespace pugi {
class xml_node;
}

namespace model {

namespace lighting_detail {

// ledeffect.xml: <item speed brightness deriction selection/> per record. Loading clamps speed and
// brightness to 4, deriction above 1 to 0, selection outside 1..2 to 1, "sel" outside 0..20 to 0.
struct LedEffectFile {
  using Record = EffectRecord;
  static constexpr int kRecordCount = 20;
  static constexpr std::int32_t kHighestSelected = 20;
  static constexpr std::int32_t kDefaultSelected = 20;  // no effect chosen

  // Brightness 5, speed 0, deriction 0, selection 0.
  static EffectRecord DefaultRecord(int index);
  static void ReadItem(const pugi::xml_node& item, EffectRecord& record);
  static void WriteItem(pugi::xml_node item, const EffectRecord& record);
};

}  // namespace lighting_detail

// Instantiated once, in the store's .cpp.
extern template class LightingStore<lighting_detail::LedEffectFile>;

// Load, Save, Reset, RecordAt, SetRecord, Selected, SetSelected and Path: see LightingStore.
// Reset sets every record to brightness 5, speed 0, deriction 0, selection 0 and chooses no effect.
class LedEffectStore : public LightingStore<lighting_detail::LedEffectFile> {
 public:
  static constexpr int kNoEffect = 20;  // selected value meaning "no effect chosen"

  // The process-wide store, created on first request and never freed.
  static LedEffectStore& Instance();
};

}  // namespace model
