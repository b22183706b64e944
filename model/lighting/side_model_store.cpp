#include "model/lighting/side_model_store.h"

#include "model/lighting/lighting_store_impl.h"
#include "model/lighting/xml_number.h"

namespace model {

namespace lighting_detail {

SideRecord SideModelFile::DefaultRecord(int index) {
  return SideRecord{.brightness = static_cast<std::uint8_t>(index < 3 ? 4 : 7)};
}

// Brightness as read from the file: values with bit 3 set become 0, others keep their low 3 bits.
void SideModelFile::ReadItem(const pugi::xml_node& item, SideRecord& record) {
  const std::uint8_t value = ByteAttribute(item, "brightness", 0);
  record.brightness = (value & 0x08) != 0 ? 0 : static_cast<std::uint8_t>(value & 0x07);
}

void SideModelFile::WriteItem(pugi::xml_node item, const SideRecord& record) {
  item.append_attribute("brightness").set_value(static_cast<unsigned>(record.brightness));
}

}  // namespace lighting_detail

template class LightingStore<lighting_detail::SideModelFile>;

SideModelStore& SideModelStore::Instance() {
  static SideModelStore store;
  return store;
}

}  // namespace model
