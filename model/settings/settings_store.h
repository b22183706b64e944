#pragma once
// The settings (settings.h) in memory and in settings.xml. Every change is saved at once, as
// durably as the other data files; a file that cannot be read is kept beside as settings.xml.bad
// before anything is written over it, and the settings are then the defaults.
//
// All members may be called from any thread.
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "model/settings/settings.h"
#include "model/xml/unreadable_file.h"
#include "support/save_reporter.h"

namespace model {

inline constexpr const wchar_t* kSettingsFileName = L"settings.xml";

class SettingsStore {
 public:
  SettingsStore() = default;
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The process-wide settings, created with the defaults on first request and never freed.
  static SettingsStore& Instance();

  // Remembers `path` and reads it. False for an empty path (nothing changes) and for a missing,
  // contentless or unreadable file, which leave the defaults; an unreadable one (malformed, or 0
  // bytes) is kept beside as settings.xml.bad. Nothing is written here.
  bool Load(const std::filesystem::path& path);
  // Writes the settings to the remembered path. False when there is none, when the write failed
  // (the previous file then stays), and (logged) while the file Load could not read has no copy
  // beside it: each save tries to make it first. Every save with a path is also handed to the
  // reporter (see ReportSavesTo).
  bool Save() const;
  // Hands the result of every later save to `reporter` (null: to none). The reporter must outlive
  // this until it is taken away again; once this returns, no save is handing it a result.
  void ReportSavesTo(support::SaveReporter* reporter);

  // The settings as they are now.
  Settings Current() const;
  // Lets `change` edit the settings and saves them when it changed anything. Save's result, or
  // true when nothing changed.
  bool Change(const std::function<void(Settings&)>& change);

  // One accessor pair per setting that callers read or set alone; each setter is a Change.
  std::string Language() const;
  bool SetLanguage(const std::string& language);
  std::wstring ActiveProfile() const;
  bool SetActiveProfile(const std::wstring& profile);

  std::filesystem::path Path() const;
  // What Load did with a file it could not read (Fate::kNone when there was none).
  UnreadableFileReport UnreadableAtLoad() const;

 private:
  bool SaveLocked() const;

  mutable std::mutex mutex_;
  std::filesystem::path path_;
  Settings settings_;
  pugi::xml_document kept_;  // the file as loaded, for the elements this build does not read
  mutable UnreadableFileGuard unreadable_;
  support::SaveReporter* reporter_ = nullptr;
};

}  // namespace model
