#include "model/settings/settings_store.h"

#include "model/settings/settings_file.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"

namespace model {

SettingsStore& SettingsStore::Instance() {
  static SettingsStore store;
  return store;
}

bool SettingsStore::Load(const std::filesystem::path& path) {
  if (path.empty()) return false;
  std::scoped_lock lock(mutex_);
  path_ = path;
  pugi::xml_document document;
  const XmlFileState state = ReadXmlFile(path_, document);
  unreadable_.AfterRead(path_, state);
  kept_.reset();
  if (state != XmlFileState::kLoaded) {
    settings_ = Settings{};
    return false;
  }
  settings_ = ReadSettings(document);
  kept_.reset(document);
  return true;
}

bool SettingsStore::Save() const {
  std::scoped_lock lock(mutex_);
  return SaveLocked();
}

bool SettingsStore::SaveLocked() const {
  if (path_.empty()) {
    support::LogFailure("SettingsStore::Save", "no file path (the settings were never loaded)");
    return false;
  }
  if (!unreadable_.MaySave()) {
    support::ReportTo(reporter_, support::SaveResult::Refused(path_, unreadable_.Report().reason));
    return false;
  }
  pugi::xml_document document;
  WriteSettings(settings_, kept_, document);
  return support::ReportTo(reporter_, SaveXmlFile(document, path_)).IsSaved();
}

void SettingsStore::ReportSavesTo(support::SaveReporter* reporter) {
  std::scoped_lock lock(mutex_);
  reporter_ = reporter;
}

Settings SettingsStore::Current() const {
  std::scoped_lock lock(mutex_);
  return settings_;
}

bool SettingsStore::Change(const std::function<void(Settings&)>& change) {
  std::scoped_lock lock(mutex_);
  Settings next = settings_;
  change(next);
  if (next == settings_) return true;
  settings_ = std::move(next);
  return SaveLocked();
}

std::string SettingsStore::Language() const { return Current().language; }

bool SettingsStore::SetLanguage(const std::string& language) {
  return Change([&language](Settings& settings) { settings.language = language; });
}

std::wstring SettingsStore::ActiveProfile() const { return Current().activeProfile; }

bool SettingsStore::SetActiveProfile(const std::wstring& profile) {
  return Change([&profile](Settings& settings) { settings.activeProfile = profile; });
}

std::filesystem::path SettingsStore::Path() const {
  std::scoped_lock lock(mutex_);
  return path_;
}

UnreadableFileReport SettingsStore::UnreadableAtLoad() const {
  std::scoped_lock lock(mutex_);
  return unreadable_.Report();
}

}  // namespace model
