#include <sys/stat.h>

#include "platform/file_system.h"
#include "support/text.h"

namespace platform {
namespace {

class LinuxFileSystem final : public FileSystem {
 public:
  FileKind KindOf(const std::wstring& path) override {
    struct stat info {};
    if (::stat(support::WideToUtf8(path).c_str(), &info) != 0) return FileKind::kMissing;
    return S_ISDIR(info.st_mode) ? FileKind::kDirectory : FileKind::kFile;
  }
};

}  // namespace

FileSystem& DefaultFileSystem() {
  static LinuxFileSystem files;
  return files;
}

}  // namespace platform
