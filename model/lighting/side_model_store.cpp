#include "model/lighting/side_model_store.h"

#include <pugixml.hpp>

#include "model/lighting/xml_number.h"
#include "model/xml/unreadable_file.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "support/text.h"

namespace model {

namespace {

// Brightness as read from the file: values with bit 3 set become 0, others keep their low 3 bits.
std::uint8_t ClampSideBrightness(std::uint8_t value) {
  return (value & 0x08) != 0 ? 0 : static_cast<std::uint8_t>(value & 0x07);
}

}  // namespace

SideModelStore::SideModelStore() { SetDefaultsLocked(); }

SideModelStore& SideModelStore::Instance() {
  static SideModelStore store;
  return store;
}

bool SideModelStore::Load(const std::filesystem::path& path) {
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
  selected_ = (sel >= 0 && sel <= kHighestSelected) ? sel : 0;

  int index = 0;
  for (const pugi::xml_node& item : effect.children()) {
    if (index == kRecordCount) break;
    if (item.type() != pugi::node_element) continue;
    records_[index++].brightness = ClampSideBrightness(lighting_detail::ByteAttribute(item, "brightness", 0));
  }
  return true;
}

bool SideModelStore::Save() const {
  std::scoped_lock lock(mutex_);
  return SaveLocked();
}

bool SideModelStore::SaveLocked() const {
  if (path_.empty()) return false;
  pugi::xml_document document;
  pugi::xml_node effect = document.append_child("effect");
  effect.append_attribute("sel").set_value(selected_);
  for (const SideRecord& record : records_) {
    effect.append_child("item").append_attribute("brightness").set_value(static_cast<unsigned>(record.brightness));
  }
  return SaveXmlFile(document, path_);
}

bool SideModelStore::Reset() {
  std::scoped_lock lock(mutex_);
  SetDefaultsLocked();
  return SaveLocked();
}

void SideModelStore::SetDefaultsLocked() {
  for (int index = 0; index < kRecordCount; ++index) {
    records_[index].brightness = index < 3 ? 4 : 7;
  }
  selected_ = 0;
}

int SideModelStore::ResolveLocked(int index) const {
  const int resolved = index == -1 ? selected_ : index;
  return (resolved >= 0 && resolved < kRecordCount) ? resolved : -1;
}

std::optional<SideRecord> SideModelStore::RecordAt(int index) const {
  std::scoped_lock lock(mutex_);
  const int resolved = ResolveLocked(index);
  if (resolved < 0) return std::nullopt;
  return records_[resolved];
}

bool SideModelStore::SetRecord(int index, const SideRecord& record) {
  std::scoped_lock lock(mutex_);
  const int resolved = ResolveLocked(index);
  if (resolved < 0) return false;
  records_[resolved] = record;
  return true;
}

std::int32_t SideModelStore::Selected() const {
  std::scoped_lock lock(mutex_);
  return selected_;
}

bool SideModelStore::SetSelected(std::int32_t index) {
  std::scoped_lock lock(mutex_);
  selected_ = index;
  return SaveLocked();
}

std::filesystem::path SideModelStore::Path() const {
  std::scoped_lock lock(mutex_);
  return path_;
}

}  // namespace model
