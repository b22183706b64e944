#pragma once
// LightingStore's member definitions. Included only by the .cpp of each store, which instantiates
// the template for its own file format.
#include <pugixml.hpp>

#include "model/lighting/lighting_store.h"
#include "model/lighting/xml_number.h"
#include "model/xml/unreadable_file.h"
#include "model/xml/xml_file.h"
#include "support/atomic_file.h"

namespace model {

template <typename Format>
LightingStore<Format>::LightingStore() {
  SetDefaultsLocked();
}

template <typename Format>
bool LightingStore<Format>::Load(const std::filesystem::path& path) {
  return LoadFrom(path, false);
}

template <typename Format>
bool LightingStore<Format>::LoadAsNew(const std::filesystem::path& path) {
  return LoadFrom(path, true);
}

template <typename Format>
bool LightingStore<Format>::LoadFrom(const std::filesystem::path& path, bool fromDefaults) {
  if (path.empty()) return false;
  PreparedSave defaults;
  {
    std::scoped_lock lock(mutex_);
    if (fromDefaults) SetDefaultsLocked();
    path_ = path;

    pugi::xml_document document;
    const XmlFileState state = ReadXmlFile(path_, document);
    unreadable_.AfterRead(path_, state);
    if (state == XmlFileState::kLoaded) {
      ReadDocumentLocked(document);
      return true;
    }
    SetDefaultsLocked();
    // A version that cannot be read is not replaced by the defaults until it is kept beside.
    defaults = PrepareSaveLocked();
  }
  Write(defaults);
  return false;
}

template <typename Format>
void LightingStore<Format>::ReadDocumentLocked(const pugi::xml_document& document) {
  const pugi::xml_node effect = document.child("effect");
  const int sel = lighting_detail::IntAttribute(effect, "sel", 0);
  selected_ = (sel >= 0 && sel <= Format::kHighestSelected) ? sel : 0;

  int index = 0;
  for (const pugi::xml_node& item : effect.children()) {
    if (index == kRecordCount) break;
    if (item.type() != pugi::node_element) continue;
    Format::ReadItem(item, records_[index++]);
  }
}

template <typename Format>
support::SaveResult LightingStore<Format>::Save() const {
  PreparedSave pending;
  {
    std::scoped_lock lock(mutex_);
    pending = PrepareSaveLocked();
  }
  return Write(pending);
}

template <typename Format>
auto LightingStore<Format>::PrepareSaveLocked() const -> PreparedSave {
  if (path_.empty()) {
    return {std::nullopt, support::SaveResult::Failed(path_, "no file path (the store was never loaded)")};
  }
  if (!unreadable_.MaySave()) return {std::nullopt, support::SaveResult::Refused(path_, unreadable_.Report().reason)};
  return {PendingWrite{.path = path_, .bytes = FileBytesLocked(), .sequence = ++preparedSaves_}, {}};
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
  pugi::xml_node effect = document.append_child("effect");
  effect.append_attribute("sel").set_value(selected_);
  for (const Record& record : records_) Format::WriteItem(effect.append_child("item"), record);
  return SerializeXml(document);
}

template <typename Format>
support::SaveResult LightingStore<Format>::Write(const PreparedSave& save) const {
  std::scoped_lock lock(writeMutex_);
  if (!save.write) {
    // A store without a path has no file to tell the user about.
    return save.unwritten.file.empty() ? save.unwritten : support::ReportTo(reporter_, save.unwritten);
  }
  const PendingWrite& pending = *save.write;
  // A newer content is on the disk already: this older one must not replace it.
  if (pending.sequence < writtenSequence_) return lastWriteResult_;
  writtenSequence_ = pending.sequence;
  lastWriteResult_ = support::ReportTo(reporter_, support::WriteFileAtomically(pending.path, pending.bytes));
  return lastWriteResult_;
}

template <typename Format>
void LightingStore<Format>::ReportSavesTo(support::SaveReporter* reporter) {
  std::scoped_lock lock(writeMutex_);
  reporter_ = reporter;
}

template <typename Format>
support::SaveResult LightingStore<Format>::Reset() {
  PreparedSave pending;
  {
    std::scoped_lock lock(mutex_);
    SetDefaultsLocked();
    pending = PrepareSaveLocked();
  }
  return Write(pending);
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
support::SaveResult LightingStore<Format>::SetSelected(std::int32_t index) {
  PreparedSave pending;
  {
    std::scoped_lock lock(mutex_);
    selected_ = index;
    pending = PrepareSaveLocked();
  }
  return Write(pending);
}

template <typename Format>
void LightingStore<Format>::SetSelectedUnsaved(std::int32_t index) {
  std::scoped_lock lock(mutex_);
  selected_ = index;
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
