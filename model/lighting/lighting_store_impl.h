#pragma once
// LightingStore's member definitions. Included only by the .cpp of each store, which instantiates
// the template for its own file format.
#include <pugixml.hpp>

#include "model/lighting/lighting_store.h"
#include "model/lighting/xml_number.h"
#include "model/xml/unreadable_file.h"
#include "model/xml/xml_file.h"

namespace model {

template <typename Format>
LightingStore<Format>::LightingStore() {
  SetDefaultsLocked();
}

template <typename Format>
bool LightingStore<Format>::Load(const std::filesystem::path& path) {
  if (path.empty()) return false;
  std::scoped_lock lock(mutex_);
  return LoadLocked(path);
}

template <typename Format>
bool LightingStore<Format>::LoadAsNew(const std::filesystem::path& path) {
  if (path.empty()) return false;
  std::scoped_lock lock(mutex_);
  SetDefaultsLocked();
  return LoadLocked(path);
}

template <typename Format>
bool LightingStore<Format>::LoadLocked(const std::filesystem::path& path) {
  path_ = path;

  pugi::xml_document document;
  const XmlFileState state = ReadXmlFile(path_, document);
  unreadable_.AfterRead(path_, state);
  if (state != XmlFileState::kLoaded) {
    SetDefaultsLocked();
    // A version that cannot be read is not replaced by the defaults until it is kept beside.
    SaveLocked();
    return false;
  }

  const pugi::xml_node effect = document.child("effect");
  const int sel = lighting_detail::IntAttribute(effect, "sel", 0);
  selected_ = (sel >= 0 && sel <= Format::kHighestSelected) ? sel : 0;

  int index = 0;
  for (const pugi::xml_node& item : effect.children()) {
    if (index == kRecordCount) break;
    if (item.type() != pugi::node_element) continue;
    Format::ReadItem(item, records_[index++]);
  }
  return true;
}

template <typename Format>
bool LightingStore<Format>::Save() const {
  std::scoped_lock lock(mutex_);
  return SaveLocked();
}

template <typename Format>
bool LightingStore<Format>::SaveLocked() const {
  if (path_.empty() || !unreadable_.MaySave()) return false;
  pugi::xml_document document;
  BuildDocumentLocked(document);
  return SaveXmlFile(document, path_);
}

template <typename Format>
void LightingStore<Format>::Relocate(const std::filesystem::path& path) {
  std::scoped_lock lock(mutex_);
  path_ = path;
}

template <typename Format>
std::string LightingStore<Format>::FileBytes() const {
  std::scoped_lock lock(mutex_);
  return FileBytesLocked();
}

template <typename Format>
std::string LightingStore<Format>::FileBytesLocked() const {
  pugi::xml_document document;
  BuildDocumentLocked(document);
  return SerializeXml(document);
}

template <typename Format>
void LightingStore<Format>::BuildDocumentLocked(pugi::xml_document& document) const {
  pugi::xml_node effect = document.append_child("effect");
  effect.append_attribute("sel").set_value(selected_);
  for (const Record& record : records_) Format::WriteItem(effect.append_child("item"), record);
}

template <typename Format>
bool LightingStore<Format>::Reset() {
  std::scoped_lock lock(mutex_);
  SetDefaultsLocked();
  return SaveLocked();
}

template <typename Format>
void LightingStore<Format>::SetDefaultsLocked() {
  for (int index = 0; index < kRecordCount; ++index) records_[index] = Format::DefaultRecord(index);
  selected_ = Format::kDefaultSelected;
}

template <typename Format>
int LightingStore<Format>::ResolveLocked(int index) const {
  const int resolved = index == -1 ? selected_ : index;
  return (resolved >= 0 && resolved < kRecordCount) ? resolved : -1;
}

template <typename Format>
auto LightingStore<Format>::RecordAt(int index) const -> std::optional<Record> {
  std::scoped_lock lock(mutex_);
  const int resolved = ResolveLocked(index);
  if (resolved < 0) return std::nullopt;
  return records_[resolved];
}

template <typename Format>
bool LightingStore<Format>::SetRecord(int index, const Record& record) {
  std::scoped_lock lock(mutex_);
  const int resolved = ResolveLocked(index);
  if (resolved < 0) return false;
  records_[resolved] = record;
  return true;
}

template <typename Format>
std::int32_t LightingStore<Format>::Selected() const {
  std::scoped_lock lock(mutex_);
  return selected_;
}

template <typename Format>
bool LightingStore<Format>::SetSelected(std::int32_t index) {
  std::scoped_lock lock(mutex_);
  selected_ = index;
  return SaveLocked();
}

template <typename Format>
UnreadableFileReport LightingStore<Format>::UnreadableAtLoad() const {
  std::scoped_lock lock(mutex_);
  return unreadable_.Report();
}

template <typename Format>
std::filesystem::path LightingStore<Format>::Path() const {
  std::scoped_lock lock(mutex_);
  return path_;
}

}  // namespace model
