#pragma once
// Profiles: named sets of key records and lighting, one of them active. The service switches the
// active profile (by hand, by the program in front, from outside the window), and adds, renames,
// removes, exports and imports profiles; the macro groups stay one library shared by all.
//
// A switch puts the profile's records, effect and side light into the stores the rest of the
// program works with (their files are the profile's from then on) and tells the listeners (the
// main window: picture, panel, capture table, lighting reports). With a macro player attached,
// the records change between two key events: the running macro stops and its keys go up, and a
// key held meanwhile keeps its function until released (MacroPlayer::SwitchRecords).
//
// The service belongs to one thread: the window thread in the program. Where profiles live on the
// disk: model/profiles/profile_catalog.h.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/profiles/profile_catalog.h"
#include "model/records/record_store.h"
#include "model/settings/settings_store.h"
#include "playback/macro_player.h"

namespace profiles {

// The first profile's name until the user gives it another (shown in the user's language).
inline constexpr const wchar_t* kFirstProfileDefaultName = L"Profile 1";

struct Profile {
  std::wstring id;    // its folder's name; empty for the first profile
  std::wstring name;  // as the user named it; empty for a first profile never renamed
};

enum class ProfileResult {
  kDone,
  kDeferred,           // switches are held (the macro editor is open): done once they are let go
  kNameEmpty,
  kNameTooLong,
  kNameForbiddenCharacter,
  kNameReserved,
  kNameTaken,
  kNoSuchProfile,
  kFirstProfile,       // the first profile cannot be removed
  kFilesFailed,        // files could not be written, renamed or removed (logged); nothing changed
  kNotAProfileFile,    // import: the file holds no profile
};

class ProfileListener {
 public:
  virtual ~ProfileListener() = default;
  // The stores hold profile `id` now.
  virtual void OnProfileSwitched(const std::wstring& id) = 0;
  // A profile was added, renamed or removed.
  virtual void OnProfilesChanged() = 0;
};

class ProfileService {
 public:
  struct Stores {
    model::SettingsStore& settings;
    model::RecordStore& records;
    model::LedEffectStore& effects;
    model::SideModelStore& sides;
    model::MacroLibrary& macros;
  };

  ProfileService(std::filesystem::path dataFolder, Stores stores);
  ProfileService(const ProfileService&) = delete;
  ProfileService& operator=(const ProfileService&) = delete;

  // The active profile as the settings name it (the first one when that is gone), whose files the
  // stores are to be loaded from at start-up.
  std::wstring ActiveAtStart() const;
  const model::ProfileCatalog& Catalog() const { return catalog_; }

  std::vector<Profile> Profiles() const;
  std::wstring Active() const { return active_; }
  // The profile named `name` (letter case ignored; the first profile also by its default name).
  std::optional<std::wstring> FindByName(const std::wstring& name) const;
  // The name a profile is shown by: the user's, or empty for a first profile never named.
  std::wstring NameOf(const std::wstring& id) const;

  // What is wrong with `name` for profile `id` (nothing: a new profile), kDone when nothing.
  ProfileResult CheckName(const std::wstring& name, const std::optional<std::wstring>& id) const;

  // Makes `id` the active profile. kDone also when it is active already.
  ProfileResult Switch(const std::wstring& id);
  // A new profile named `name`: with the default records and lighting, or a copy of the active
  // profile's. Not switched to. Its id in `id`.
  ProfileResult Add(const std::wstring& name, bool copyActive, std::wstring* id = nullptr);
  // Renames a profile; its rules, and its place as active or default profile, go with it.
  ProfileResult Rename(const std::wstring& id, const std::wstring& name);
  // Removes a further profile with its files and its rules; the first profile becomes active when
  // it was the active one (its macro stops, its keys go up).
  ProfileResult Remove(const std::wstring& id);

  // Writes profile `id` to `file`: records, lighting and the macro groups its records name.
  ProfileResult Export(const std::wstring& id, const std::filesystem::path& file);
  struct ImportOutcome {
    ProfileResult result = ProfileResult::kDone;
    std::wstring id;     // the new profile (kDone)
    std::string error;   // English, with kNotAProfileFile
    // Groups of the file whose names were taken by other groups: (name in the file, name given).
    std::vector<std::pair<std::wstring, std::wstring>> renamedGroups;
  };
  // Adds the profile of `file` as a new profile (named as in the file, or with a number added when
  // that name is taken), and its macro groups to the library: a group whose name is taken by a
  // group with other steps is added under a new name, never over the other.
  ImportOutcome Import(const std::filesystem::path& file);

  // The player whose records a switch replaces (null: none, as in a tool without a keyboard).
  void AttachPlayer(playback::MacroPlayer* player) { player_ = player; }
  void AddListener(ProfileListener* listener);
  void RemoveListener(ProfileListener* listener);

  // While a hold exists, switches wait: the last one asked for happens when the last hold goes.
  class Hold {
   public:
    explicit Hold(ProfileService& service);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    ProfileService& service_;
  };
  std::unique_ptr<Hold> HoldSwitches() { return std::make_unique<Hold>(*this); }
  bool SwitchesHeld() const { return holds_ > 0; }

 private:
  // The names of every profile but `except`.
  std::vector<std::wstring> TakenNames(const std::optional<std::wstring>& except = std::nullopt) const;
  model::ProfileContents ContentsOf(const std::wstring& id) const;
  void Apply(const std::wstring& id);
  void ReleaseHold();
  void TellSwitched();
  void TellChanged();

  model::ProfileCatalog catalog_;
  Stores stores_;
  playback::MacroPlayer* player_ = nullptr;
  std::vector<ProfileListener*> listeners_;
  std::wstring active_;
  int holds_ = 0;
  std::optional<std::wstring> pendingSwitch_;
};

}  // namespace profiles
