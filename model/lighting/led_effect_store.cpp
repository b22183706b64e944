#include "model/lighting/led_effect_store.h"

#include "model/lighting/lighting_store_impl.h"
#include "model/lighting/xml_number.h"

namespace model {

namespace lighting_detail {
namespace {

constexpr std::uint8_t kMaxSpeed = 4;
constexpr std::uint8_t kMaxBrightness = 4;

}  // namespace

EffectRecord LedEffectFile::DefaultRecord(int) {
  return EffectRecord{.brightness = 5, .speed = 0, .deriction = 0, .selection = 0};
}

void LedEffectFile::ReadItem(const pugi::xml_node& item, EffectRecord& record) {
  record.speed = ByteAttribute(item, "speed", 0);
  record.brightness = ByteAttribute(item, "brightness", 0);
  record.deriction = ByteAttribute(item, "deriction", 0);
  record.selection = ByteAttribute(item, "selection", 1);
  if (record.speed > kMaxSpeed) record.speed = kMaxSpeed;
  if (record.brightness > kMaxBrightness) record.brightness = kMaxBrightness;
  if (record.deriction > 1) record.deriction = 0;
  if (record.selection < 1 || record.selection > 2) record.selection = 1;
}

void LedEffectFile::WriteItem(pugi::xml_node item, const EffectRecord& record) {
  item.append_attribute("speed").set_value(static_cast<unsigned>(record.speed));
  item.append_attribute("brightness").set_value(static_cast<unsigned>(record.brightness));
  item.append_attribute("deriction").set_value(static_cast<unsigned>(record.deriction));
  item.append_attribute("selection").set_value(static_cast<unsigned>(record.selection));
}

}  // namespace lighting_detail

template class LightingStore<lighting_detail::LedEffectFile>;

static_assert(LedEffectStore::kNoEffect == lighting_detail::LedEffectFile::kDefaultSelected);

LedEffectStore& LedEffectStore::Instance() {
  static LedEffectStore store;
  return store;
}

}  // namespace model
