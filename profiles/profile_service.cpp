#include "profiles/profile_service.h"

#include <algorithm>

#include "model/profiles/profile_file.h"
#include "model/profiles/profile_name.h"
#include "model/xml/xml_file.h"
#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/text.h"

namespace profiles {
namespace {

using model::ProfileNameProblem;

ProfileResult ResultOf(ProfileNameProblem problem) {
  switch (problem) {
    case ProfileNameProblem::kNone:
      return ProfileResult::kDone;
    case ProfileNameProblem::kEmpty:
      return ProfileResult::kNameEmpty;
    case ProfileNameProblem::kTooLong:
      return ProfileResult::kNameTooLong;
    case ProfileNameProblem::kForbiddenCharacter:
      return ProfileResult::kNameForbiddenCharacter;
    case ProfileNameProblem::kReservedName:
      return ProfileResult::kNameReserved;
    case ProfileNameProblem::kTaken:
      return ProfileResult::kNameTaken;
  }
  return ProfileResult::kNameForbiddenCharacter;
}

// The file of a profile that is not active: its bytes, or what a missing file loads as.
std::string FileOrDefault(const std::filesystem::path& file, const std::string& defaults) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return defaults;
  return support::ReadWholeFile(file).value_or(defaults);
}

// A name for an imported profile that can name a folder: characters a folder name cannot hold
// become "_", and it is cut to leave room for a number.
std::wstring UsableName(const std::wstring& fileName) {
  std::wstring name = model::TrimProfileName(fileName);
  for (wchar_t& c : name) {
    if (model::IsForbiddenInName(c)) c = L'_';
  }
  while (!name.empty() && name.front() == L'.') name.erase(0, 1);
  while (!name.empty() && name.back() == L'.') name.pop_back();
  constexpr std::size_t kRoomForNumber = 6;  // " (99)"
  if (name.size() > model::kMaxProfileNameLength - kRoomForNumber) {
    name.resize(model::kMaxProfileNameLength - kRoomForNumber);
  }
  name = model::TrimProfileName(name);
  if (name.empty() || model::CheckProfileName(name, {}) != ProfileNameProblem::kNone) return L"Imported profile";
  return name;
}

std::vector<model::MacroGroup> LibraryGroups(const model::MacroLibrary& macros) {
  std::vector<model::MacroGroup> groups;
  for (int index = 0; index < macros.GroupCount(); ++index) groups.push_back(*macros.GroupAt(index));
  return groups;
}

}  // namespace

ProfileService::ProfileService(std::filesystem::path dataFolder, Stores stores)
    : catalog_(std::move(dataFolder)), stores_(stores) {
  active_ = ActiveAtStart();
}

std::wstring ProfileService::ActiveAtStart() const {
  const std::wstring chosen = stores_.settings.ActiveProfile();
  return catalog_.Exists(chosen) ? chosen : std::wstring();
}

std::vector<Profile> ProfileService::Profiles() const {
  std::vector<Profile> list;
  for (const std::wstring& id : catalog_.Ids()) list.push_back(Profile{id, NameOf(id)});
  return list;
}

std::wstring ProfileService::NameOf(const std::wstring& id) const {
  return id.empty() ? stores_.settings.Current().firstProfileName : id;
}

std::optional<std::wstring> ProfileService::FindByName(const std::wstring& name) const {
  const std::wstring wanted = model::TrimProfileName(name);
  for (const Profile& profile : Profiles()) {
    const std::wstring shown = profile.name.empty() ? kFirstProfileDefaultName : profile.name;
    if (model::SameProfileName(shown, wanted)) return profile.id;
  }
  return std::nullopt;
}

std::vector<std::wstring> ProfileService::TakenNames(const std::optional<std::wstring>& except) const {
  std::vector<std::wstring> taken;
  for (const Profile& profile : Profiles()) {
    if (profile.id == except) continue;
    taken.push_back(profile.name.empty() ? kFirstProfileDefaultName : profile.name);
  }
  return taken;
}

ProfileResult ProfileService::CheckName(const std::wstring& name, const std::optional<std::wstring>& except) const {
  return ResultOf(model::CheckProfileName(name, TakenNames(except)));
}

ProfileResult ProfileService::Switch(const std::wstring& id) {
  if (!catalog_.Exists(id)) return ProfileResult::kNoSuchProfile;
  if (holds_ > 0) {
    pendingSwitch_ = id;
    return ProfileResult::kDeferred;
  }
  if (id != active_) Apply(id);
  return ProfileResult::kDone;
}

void ProfileService::Apply(const std::wstring& id) {
  const model::ProfileFiles files = catalog_.FilesOf(id);
  model::RecordStore::Pending records = model::RecordStore::Read(files.records);
  auto adopt = [this, &records] { stores_.records.Adopt(std::move(records)); };
  if (player_) {
    player_->SwitchRecords(adopt);
  } else {
    adopt();
  }
  stores_.effects.LoadAsNew(files.effects);
  stores_.sides.LoadAsNew(files.sides);
  active_ = id;
  stores_.settings.SetActiveProfile(id);
  support::Log("profile: \"%s\" is active\n", support::WideToUtf8(id).c_str());
  TellSwitched();
}

model::ProfileContents ProfileService::ContentsOf(const std::wstring& id) const {
  if (id == active_) {
    return model::ProfileContents{stores_.records.FileBytes(), stores_.effects.FileBytes(),
                                  stores_.sides.FileBytes()};
  }
  const model::ProfileFiles files = catalog_.FilesOf(id);
  return model::ProfileContents{FileOrDefault(files.records, model::RecordStore().FileBytes()),
                                FileOrDefault(files.effects, model::LedEffectStore().FileBytes()),
                                FileOrDefault(files.sides, model::SideModelStore().FileBytes())};
}

ProfileResult ProfileService::Add(const std::wstring& name, bool copyActive, std::wstring* id) {
  if (const ProfileResult problem = CheckName(name, std::nullopt); problem != ProfileResult::kDone) return problem;
  const std::wstring newId = model::TrimProfileName(name);
  const model::ProfileContents contents =
      copyActive ? ContentsOf(active_)
                 : model::ProfileContents{model::RecordStore().FileBytes(), model::LedEffectStore().FileBytes(),
                                          model::SideModelStore().FileBytes()};
  if (!catalog_.Create(newId, contents)) return ProfileResult::kFilesFailed;
  if (id) *id = newId;
  TellChanged();
  return ProfileResult::kDone;
}

ProfileResult ProfileService::Rename(const std::wstring& id, const std::wstring& name) {
  if (!catalog_.Exists(id)) return ProfileResult::kNoSuchProfile;
  if (const ProfileResult problem = CheckName(name, id); problem != ProfileResult::kDone) return problem;
  const std::wstring newName = model::TrimProfileName(name);
  if (id.empty()) {
    stores_.settings.Change([&newName](model::Settings& settings) { settings.firstProfileName = newName; });
    TellChanged();
    return ProfileResult::kDone;
  }
  if (newName == id) return ProfileResult::kDone;
  if (!catalog_.Rename(id, newName)) return ProfileResult::kFilesFailed;
  if (id == active_) {
    // The stores go on writing the same files, in the folder's new place.
    const model::ProfileFiles files = catalog_.FilesOf(newName);
    stores_.records.Relocate(files.records);
    stores_.effects.Relocate(files.effects);
    stores_.sides.Relocate(files.sides);
    active_ = newName;
  }
  stores_.settings.Change([&](model::Settings& settings) {
    if (settings.activeProfile == id) settings.activeProfile = newName;
    if (settings.defaultProfile == id) settings.defaultProfile = newName;
    for (model::ProgramRule& rule : settings.rules) {
      if (rule.profile == id) rule.profile = newName;
    }
  });
  TellChanged();
  return ProfileResult::kDone;
}

ProfileResult ProfileService::Remove(const std::wstring& id) {
  if (id.empty()) return ProfileResult::kFirstProfile;
  if (!catalog_.Exists(id)) return ProfileResult::kNoSuchProfile;
  if (id == active_) Apply(L"");
  if (pendingSwitch_ == id) pendingSwitch_.reset();
  if (!catalog_.Remove(id)) return ProfileResult::kFilesFailed;
  stores_.settings.Change([&id](model::Settings& settings) {
    if (settings.defaultProfile == id) settings.defaultProfile.clear();
    std::erase_if(settings.rules, [&id](const model::ProgramRule& rule) { return rule.profile == id; });
  });
  TellChanged();
  return ProfileResult::kDone;
}

ProfileResult ProfileService::Export(const std::wstring& id, const std::filesystem::path& file) {
  if (!catalog_.Exists(id)) return ProfileResult::kNoSuchProfile;
  model::ProfileExport profile{.name = NameOf(id).empty() ? kFirstProfileDefaultName : NameOf(id),
                               .files = ContentsOf(id),
                               .groups = {}};
  const std::vector<model::MacroGroup> library = LibraryGroups(stores_.macros);
  for (const std::wstring& used : model::GroupNamesUsedBy(profile.files.records)) {
    const auto found = std::find_if(library.begin(), library.end(),
                                    [&used](const model::MacroGroup& group) { return group.name == used; });
    if (found != library.end()) profile.groups.push_back(*found);
  }
  return model::WriteProfileFile(profile, file) ? ProfileResult::kDone : ProfileResult::kFilesFailed;
}

ProfileService::ImportOutcome ProfileService::Import(const std::filesystem::path& file) {
  ImportOutcome outcome;
  std::optional<model::ProfileExport> profile = model::ReadProfileFile(file, outcome.error);
  if (!profile) {
    outcome.result = ProfileResult::kNotAProfileFile;
    return outcome;
  }

  std::vector<model::MacroGroup> library = LibraryGroups(stores_.macros);
  bool libraryChanged = false;
  for (const model::MacroGroup& group : profile->groups) {
    std::vector<std::wstring> names;
    for (const model::MacroGroup& existing : library) names.push_back(existing.name);
    const auto same = std::find_if(library.begin(), library.end(), [&group](const model::MacroGroup& existing) {
      return existing.name == group.name;
    });
    if (same != library.end() && same->steps == group.steps) continue;  // already there
    model::MacroGroup added = group;
    if (same != library.end()) {
      // Names of groups compare exactly (as the library does); the new one gets a number.
      for (int number = 2; std::find(names.begin(), names.end(), added.name) != names.end(); ++number) {
        added.name = group.name + L" (" + std::to_wstring(number) + L")";
      }
      outcome.renamedGroups.emplace_back(group.name, added.name);
      profile->files.records = model::RenameGroupInRecords(profile->files.records, group.name, added.name);
    }
    library.push_back(std::move(added));
    libraryChanged = true;
  }

  const std::wstring id = model::FreeVariantOf(UsableName(profile->name), TakenNames());
  if (!catalog_.Create(id, profile->files)) {
    outcome.result = ProfileResult::kFilesFailed;
    outcome.renamedGroups.clear();
    return outcome;
  }
  if (libraryChanged) {
    stores_.macros.ReplaceGroups(library);
    stores_.macros.Save();
  }
  outcome.id = id;
  TellChanged();
  return outcome;
}

void ProfileService::AddListener(ProfileListener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
}

void ProfileService::RemoveListener(ProfileListener* listener) { std::erase(listeners_, listener); }

void ProfileService::TellSwitched() {
  for (ProfileListener* listener : std::vector<ProfileListener*>(listeners_)) listener->OnProfileSwitched(active_);
}

void ProfileService::TellChanged() {
  for (ProfileListener* listener : std::vector<ProfileListener*>(listeners_)) listener->OnProfilesChanged();
}

ProfileService::Hold::Hold(ProfileService& service) : service_(service) { ++service_.holds_; }

ProfileService::Hold::~Hold() { service_.ReleaseHold(); }

void ProfileService::ReleaseHold() {
  if (--holds_ > 0 || !pendingSwitch_) return;
  const std::wstring id = *std::exchange(pendingSwitch_, std::nullopt);
  Switch(id);
}

}  // namespace profiles
