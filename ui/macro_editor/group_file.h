#pragma once
// One macro group in a file of its own, for backups and sharing. The file has the form of
// macro.xml without the settings: a "macro" element holding one "group" element with its "item"
// steps, so a group can also be copied from or into macro.xml by hand.
#include <filesystem>
#include <string>
#include <vector>

#include "model/macro/macro_step.h"

namespace macro {

// What an import changed so that each step plays as it shows.
struct ImportChange {
  enum class Kind {
    kCodeRefused,   // the step was left out: its code is not a key a macro can press
    kStateRefused,  // the step was left out: its state is neither 1 (down) nor 0 (up)
    kDelayClamped,  // the delay was out of range: `takenAs` is used
    kUnnamed,       // the group has no name (the editor gives it one)
  };
  Kind kind;
  int step = 0;         // the step's position in the file, from 1 (0 for the group)
  std::string written;  // the value as the file has it
  int takenAs = 0;

  friend bool operator==(const ImportChange&, const ImportChange&) = default;
};

// Writes `group` to `path` (atomically). False, logged, when the write fails.
bool ExportGroupFile(const model::MacroGroup& group, const std::filesystem::path& path);

// Reads the first group of the file's "macro" element. False when the file is missing, not
// well-formed or holds no group; `error` then says which, in English, and `group` is untouched.
// A step whose code is not a keyboard key (usage page 7, usage 1 to 255: what a macro step
// presses) or whose state is not 0 or 1 is left out; a delay below 0 or above an hour is taken as
// the nearest bound. Each such change is added to `changes` when given.
bool ImportGroupFile(const std::filesystem::path& path, model::MacroGroup& group, std::string& error,
                     std::vector<ImportChange>* changes = nullptr);

// The name of the file a group is exported to: the group's name with ".xml", where what a file
// name may not hold on Windows (on every system, so files move between them) is replaced by "_":
// < > : " / \ | ? * and control characters; a reserved device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9) gets a "_" after it; a blank name is `fallback`; a long one is cut to 200 UTF-16 units.
std::wstring GroupFileName(const std::wstring& groupName, const std::wstring& fallback);

}  // namespace macro
