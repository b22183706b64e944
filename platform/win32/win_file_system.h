#pragma once
// What kind of entry a path names, from GetFileAttributesW.
#include "platform/file_system.h"

namespace platform::win32 {

class WinFileSystem final : public FileSystem {
 public:
  FileKind KindOf(const std::wstring& path) override;
};

}  // namespace platform::win32
