#pragma once
// What the program asks of the file system beyond its data files: what kind of entry a path names.
#include <string>

namespace platform {

enum class FileKind {
  kMissing,    // the path names nothing, or its attributes cannot be read
  kFile,
  kDirectory,
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual FileKind KindOf(const std::wstring& path) = 0;
};

// The file system of the backend this program is linked with.
FileSystem& DefaultFileSystem();

}  // namespace platform
