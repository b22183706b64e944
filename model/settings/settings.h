#pragma once
// What the user chooses while the program runs and expects to find again at the next start:
// the language, the active profile, and which profile comes with which program in front. Kept in
// settings.xml beside the data files (config.xml stays read only).
//
// A new setting is a field here, its element or attribute in settings_file.cpp (read and write)
// and, where callers need it, an accessor pair in SettingsStore.
#include <string>
#include <vector>

namespace model {

// What a program rule compares with the program in front.
enum class ProgramMatch {
  kName,         // the executable's file name ("game.exe"), letter case ignored
  kPath,         // the executable's full path
  kFolder,       // a folder holding the executable, at any depth (covers a launcher and its game)
  kWindowClass,  // the window's class (X11 WM_CLASS), letter case ignored
};

// Brings `profile` to the front with the programs it matches.
struct ProgramRule {
  std::wstring profile;  // profile id: its folder name, empty for the first profile
  ProgramMatch match = ProgramMatch::kName;
  std::wstring value;

  friend bool operator==(const ProgramRule&, const ProgramRule&) = default;
};

struct Settings {
  // "lang_cn" or "lang_en"; empty until the user picks one (config.xml decides meanwhile).
  std::string language;

  // Profiles are named by id: the folder name of a further profile, empty for the first one.
  std::wstring activeProfile;
  // The first profile's name as the user gave it; empty: the default name in the user's language.
  std::wstring firstProfileName;

  // Switching by the program in front: on or off, the rules in order (the first match wins), and
  // the profile for any other program.
  bool switchByProgram = false;
  std::vector<ProgramRule> rules;
  std::wstring defaultProfile;

  friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace model
