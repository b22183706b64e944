#include "platform/win32/win_file_system.h"

#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"

namespace platform::win32 {

FileKind WinFileSystem::KindOf(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    // A missing entry is an answer, not a failure.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) LogWinFailure("GetFileAttributesW", error);
    return FileKind::kMissing;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kDirectory : FileKind::kFile;
}

}  // namespace platform::win32
