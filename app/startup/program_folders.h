#pragma once
// Where the program finds its resources and configuration, and where it keeps the user's data.
//
// The rule, from the folder of the executable (symbolic links resolved):
// - It holds the marker the Windows setup writes (kSetupMarker) and the user has an
//   application-data folder: uires/ and the default config.xml are beside the executable (in
//   Program Files, where a program running with the user's rights cannot write), and each user's
//   data files live in <application data>\kbconfig (%APPDATA%\kbconfig), which is created when
//   missing; a config.xml the user has put there is read in place of the program folder's.
// - It holds a config.xml (a build folder, an unpacked archive, the Windows program folder): the
//   program keeps everything beside itself, as it always did: uires/, config.xml and the four data
//   files live there.
// - It holds none: the program is installed (as /usr/bin/kbconfig). Its package folder is
//   <executable folder>/../share/kbconfig (/usr/share/kbconfig), which holds uires/ and the
//   default config.xml. The data files (macro.xml, record.xml, sidemodel.xml, ledeffect.xml) live
//   in $XDG_CONFIG_HOME/kbconfig, or ~/.config/kbconfig when XDG_CONFIG_HOME is unset, empty or
//   not absolute; config.xml is read from that folder when the user has put one there, else from
//   the package folder. With no usable home folder either, the data files stay beside the
//   executable.
// The files' formats and rules are the same in both cases.
#include <filesystem>

namespace app {

struct ProgramFolders {
  std::filesystem::path resources;   // holds uires/
  std::filesystem::path data;        // the data files
  std::filesystem::path configFile;  // the config.xml that is read
  bool installed = false;            // data and resources are apart (the second case)
};

// What the environment says about the user's folders; an empty path is an unset variable.
struct UserFolders {
  std::filesystem::path xdgConfigHome = {};
  std::filesystem::path home = {};
  std::filesystem::path appData = {};  // Windows' roaming application-data folder; empty elsewhere
};

// Written by the Windows setup into the folder it installs the program into.
inline constexpr const char* kSetupMarker = "installed-by-setup.txt";

// The rule above. Looks only at whether the setup's marker, <executableFolder>/config.xml and
// <data>/config.xml exist.
ProgramFolders ChooseProgramFolders(const std::filesystem::path& executableFolder, const UserFolders& user);

// Everything beside `folder`: the first case of the rule.
ProgramFolders FoldersBeside(const std::filesystem::path& folder);

// XDG_CONFIG_HOME and HOME of this process, byte for byte, and on Windows the user's
// application-data folder.
UserFolders UserFoldersOfThisProcess();

// Creates the data folder of an installed program when it is missing. False, logged, when it
// cannot be made (the saves then fail and say so).
bool PrepareDataFolder(const ProgramFolders& folders);

}  // namespace app
