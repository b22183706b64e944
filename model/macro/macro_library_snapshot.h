#pragma once
// The macro library and its file at one moment: every setting, a copy of every group, and the
// bytes of macro.xml. The macro editor takes one when it opens; when the user cancels, memory and
// file are put back exactly as they were, whatever the editor saved meanwhile.
#include <optional>
#include <string>
#include <vector>

#include "model/macro/macro_library.h"

namespace model {

class MacroLibrarySnapshot {
 public:
  static MacroLibrarySnapshot Take(const MacroLibrary& library);

  // Puts settings and groups back (as new group objects) and the file's bytes, removing a file
  // that did not exist. The file is written only when it differs; one that could not be read
  // when the snapshot was taken is left alone. False (logged) when the file could not be put back;
  // the file's outcome goes to the library's reporter as a save's does.
  bool Restore(MacroLibrary& library) const;

 private:
  enum class FileState { kMissing, kRead, kUnreadable };

  MacroLibrary::Settings settings_;
  std::vector<MacroGroup> groups_;
  FileState fileState_ = FileState::kMissing;
  std::string fileBytes_;
};

}  // namespace model
