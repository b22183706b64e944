#include "model/lighting/led_effect_store.h"

#include <pugixml.hpp>

#include "model/lighting/xml_number.h"
#include "model/xml/unreadable_file.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "support/text.h"

namespace model {

namespace {

constexpr std::uint8_t kMaxSpeed = 4;
constexpr std::uint8_t kMaxBrightness = 4;

EffectRecord RecordFromItem(const pugi::xml_node& item) {
  using lighting_detail::ByteAttribute;
  EffectRecord record;
  record.speed = ByteAttribute(item, "speed", 0);
  record.brightness = ByteAttribute(item, "brightness", 0);
  record.deriction = ByteAttribute(item, "deriction", 0);
  record.selection = ByteAttribute(item, "selection", 1);
  if (record.speed > kMaxSpeed) record.speed = kMaxSpeed;
  if (record.brightness > kMaxBrightness) record.brightness = kMaxBrightness;
  if (record.deriction > 1) record.deriction = 0;
  if (record.selection < 1 || record.selection > 2) record.selection = 1;
  return record;
}

}  // namespace

LedEffectStore::LedEffectStore() { SetDefaultsLocked(); }

LedEffectStore& LedEffectStore::Instance() {
  static LedEffectStore store;
  return store;
}

bool LedEffectStore::Load(const std::filesystem::path& path) {
  if (path.empty()) return false;
  std::scoped_lock lock(mutex_);
  path_ = path;

  pugi::xml_document document;
  const XmlFileState state = ReadXmlFile(path_, document);
  if (state != XmlFileState::kLoaded) {
    SetDefaultsLocked();
    // The defaults go to the file only once a version that cannot be read is kept beside it.
    if (state != XmlFileState::kUnreadable || PreserveUnreadableFile(path_)) {
      SaveLocked();
    } else {
      support::Log("%s: not replaced by the defaults, as it could not be kept\n",
                   support::WideToUtf8(path_.wstring()).c_str());
    }
    return false;
  }

  const pugi::xml_node effect = document.child("effect");
  const int sel = lighting_detail::IntAttribute(effect, "sel", 0);
  selected_ = (sel >= 0 && sel <= kNoEffect) ? sel : 0;

  int index = 0;
  for (const pugi::xml_node& item : effect.children()) {
    if (index == kRecordCount) break;
    if (item.type() != pugi::node_element) continue;
    records_[index++] = RecordFromItem(item);
  }
  return true;
}

bool LedEffectStore::Save() const {
  std::scoped_lock lock(mutex_);
  return SaveLocked();
}

bool LedEffectStore::SaveLocked() const {
  if (path_.empty()) return false;
  pugi::xml_document document;
  pugi::xml_node effect = document.append_child("effect");
  effect.append_attribute("sel").set_value(selected_);
  for (const EffectRecord& record : records_) {
    pugi::xml_node item = effect.append_child("item");
    item.append_attribute("speed").set_value(static_cast<unsigned>(record.speed));
    item.append_attribute("brightness").set_value(static_cast<unsigned>(record.brightness));
    item.append_attribute("deriction").set_value(static_cast<unsigned>(record.deriction));
    item.append_attribute("selection").set_value(static_cast<unsigned>(record.selection));
  }
  return SaveXmlFile(document, path_);
}

bool LedEffectStore::Reset() {
  std::scoped_lock lock(mutex_);
  SetDefaultsLocked();
  return SaveLocked();
}

void LedEffectStore::SetDefaultsLocked() {
  records_.fill(EffectRecord{.brightness = 5, .speed = 0, .deriction = 0, .selection = 0});
  selected_ = kNoEffect;
}

int LedEffectStore::ResolveLocked(int index) const {
  const int resolved = index == -1 ? selected_ : index;
  return (resolved >= 0 && resolved < kRecordCount) ? resolved : -1;
}

std::optional<EffectRecord> LedEffectStore::RecordAt(int index) const {
  std::scoped_lock lock(mutex_);
  const int resolved = ResolveLocked(index);
  if (resolved < 0) return std::nullopt;
  return records_[resolved];
}

bool LedEffectStore::SetRecord(int index, const EffectRecord& record) {
  std::scoped_lock lock(mutex_);
  const int resolved = ResolveLocked(index);
  if (resolved < 0) return false;
  records_[resolved] = record;
  return true;
}

std::int32_t LedEffectStore::Selected() const {
  std::scoped_lock lock(mutex_);
  return selected_;
}

bool LedEffectStore::SetSelected(std::int32_t index) {
  std::scoped_lock lock(mutex_);
  selected_ = index;
  return SaveLocked();
}

std::filesystem::path LedEffectStore::Path() const {
  std::scoped_lock lock(mutex_);
  return path_;
}

}  // namespace model
