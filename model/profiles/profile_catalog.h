#pragma once
// Where profiles live on the disk. The first profile is the three files in the data folder, where
// they have always been (record.xml, ledeffect.xml, sidemodel.xml), so an older build still reads
// them. Each further profile is a folder of the same three files in "profiles" beside them, named
// as the profile (profile_name.h). Profiles are named by id here: the folder name, empty for the
// first profile.
//
// Creating and removing a profile is all or nothing, also across a crash or a power cut: a new
// profile is written into a hidden folder (".new-...") that is renamed into place once its files
// are on the disk; a removed one is first renamed to a hidden folder (".gone-...") and then
// deleted. Hidden folders are never profiles; RemoveInterrupted clears what a crash left of them.
#include <filesystem>
#include <string>
#include <vector>

namespace model {

inline constexpr const wchar_t* kRecordFileName = L"record.xml";
inline constexpr const wchar_t* kLedEffectFileName = L"ledeffect.xml";
inline constexpr const wchar_t* kSideModelFileName = L"sidemodel.xml";
inline constexpr const wchar_t* kProfilesFolderName = L"profiles";

struct ProfileFiles {
  std::filesystem::path records;
  std::filesystem::path effects;
  std::filesystem::path sides;
};

// A profile's three files, as the bytes of each.
struct ProfileContents {
  std::string records;
  std::string effects;
  std::string sides;
};

class ProfileCatalog {
 public:
  explicit ProfileCatalog(std::filesystem::path dataFolder);

  const std::filesystem::path& DataFolder() const { return dataFolder_; }
  std::filesystem::path ProfilesFolder() const { return dataFolder_ / kProfilesFolderName; }

  // "" (the first profile), then every further profile in name order (ProfileNameLess).
  std::vector<std::wstring> Ids() const;
  bool Exists(const std::wstring& id) const;
  ProfileFiles FilesOf(const std::wstring& id) const;

  // Creates the further profile `id` with `contents` as its files. False, logged, when a folder of
  // that name exists already or a write failed; nothing is left behind then.
  bool Create(const std::wstring& id, const ProfileContents& contents);
  // Renames the further profile `from` to `to`. False, logged, when `to` exists or the rename failed.
  bool Rename(const std::wstring& from, const std::wstring& to);
  // Removes the further profile `id` with its files. False, logged, when it could not be taken away
  // (it stays whole then). The first profile is never removed.
  bool Remove(const std::wstring& id);

  // Deletes the hidden folders that creations and removals cut short by a crash left behind.
  // Only while no other instance may be creating or removing profiles. How many were removed.
  int RemoveInterrupted();

 private:
  std::filesystem::path FolderOf(const std::wstring& id) const;
  // A hidden folder name beside the profiles that does not exist yet.
  std::filesystem::path HiddenFolder(const wchar_t* prefix) const;

  std::filesystem::path dataFolder_;
};

}  // namespace model
