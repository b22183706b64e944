#pragma once
// One profile in one file, to keep or to hand on: its key records, its lighting and the macro
// groups its records were made from.
//   <kbprofile version="1" name="Game">
//     <records> <record .../> ... </records>       what record.xml holds
//     <lighting> <effect sel="..."> ... </lighting> what ledeffect.xml holds
//     <sidelight> <effect sel="..."> ... </sidelight> what sidemodel.xml holds
//     <macro> <group name="..."> <item .../> </group> ... </macro>  as in macro.xml
//   </kbprofile>
// The parts are the files' own elements, so each is read by its own store's rules when the
// profile is loaded; a part that is missing reads as that file missing (the defaults).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/macro/macro_step.h"
#include "model/profiles/profile_catalog.h"

namespace model {

struct ProfileExport {
  std::wstring name;
  ProfileContents files;
  std::vector<MacroGroup> groups;
};

// Writes `profile` to `path` (atomically). False, logged, when a part is not well-formed or the
// write failed.
bool WriteProfileFile(const ProfileExport& profile, const std::filesystem::path& path);

// Reads a profile file. Nothing, with `error` in English, when the file cannot be read or holds no
// profile.
std::optional<ProfileExport> ReadProfileFile(const std::filesystem::path& path, std::string& error);

// The names of the macro groups that the recorded-macro records (type 0) of a record.xml name.
std::vector<std::wstring> GroupNamesUsedBy(const std::string& recordFile);

// record.xml with every recorded-macro record that names group `from` naming `to` instead.
std::string RenameGroupInRecords(const std::string& recordFile, const std::wstring& from, const std::wstring& to);

}  // namespace model
