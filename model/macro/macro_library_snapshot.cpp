#include "model/macro/macro_library_snapshot.h"

#include <filesystem>
#include <system_error>

#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace model {

MacroLibrarySnapshot MacroLibrarySnapshot::Take(const MacroLibrary& library) {
  MacroLibrarySnapshot snapshot;
  snapshot.settings_ = library.CurrentSettings();
  for (int index = 0; index < library.GroupCount(); ++index) snapshot.groups_.push_back(*library.GroupAt(index));
  const std::filesystem::path& path = library.filePath;
  std::error_code error;
  if (path.empty() || !std::filesystem::exists(path, error)) {
    snapshot.fileState_ = error ? FileState::kUnreadable : FileState::kMissing;
  } else if (std::optional<std::string> bytes = support::ReadWholeFile(path)) {
    snapshot.fileState_ = FileState::kRead;
    snapshot.fileBytes_ = std::move(*bytes);
  } else {
    snapshot.fileState_ = FileState::kUnreadable;
  }
  return snapshot;
}

bool MacroLibrarySnapshot::Restore(MacroLibrary& library) const {
  library.ApplySettings(settings_);
  library.ReplaceGroups(groups_);
  const std::filesystem::path& path = library.filePath;
  if (path.empty()) return true;
  switch (fileState_) {
    case FileState::kUnreadable:
      support::LogFailure("MacroLibrarySnapshot::Restore",
                          support::PathToUtf8(path) + " was unreadable before; left as it is");
      return true;
    case FileState::kMissing: {
      std::error_code error;
      std::filesystem::remove(path, error);
      if (error) {
        support::LogFailure("MacroLibrarySnapshot::Restore: remove " + support::PathToUtf8(path), error.message());
        return library.ReportSave(support::SaveResult::Failed(path, error.message())).IsSaved();
      }
      return library.ReportSave(support::SaveResult::Saved(path)).IsSaved();
    }
    case FileState::kRead:
      if (support::ReadWholeFile(path) == fileBytes_) {
        return library.ReportSave(support::SaveResult::Saved(path)).IsSaved();
      }
      return library.ReportSave(support::WriteFileAtomically(path, fileBytes_)).IsSaved();
  }
  return true;
}

}  // namespace model
