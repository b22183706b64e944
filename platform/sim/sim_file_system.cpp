#include "platform/sim/sim_file_system.h"

namespace sim {

platform::FileKind SimFileSystem::KindOf(const std::wstring& path) {
  std::scoped_lock lock(mutex_);
  const auto found = entries_.find(path);
  return found == entries_.end() ? platform::FileKind::kMissing : found->second;
}

void SimFileSystem::AddFile(const std::wstring& path) {
  std::scoped_lock lock(mutex_);
  entries_[path] = platform::FileKind::kFile;
}

void SimFileSystem::AddDirectory(const std::wstring& path) {
  std::scoped_lock lock(mutex_);
  entries_[path] = platform::FileKind::kDirectory;
}

SimFileSystem& DemoFileSystem() {
  static SimFileSystem files;
  return files;
}

}  // namespace sim

namespace platform {
FileSystem& DefaultFileSystem() { return sim::DemoFileSystem(); }
}  // namespace platform
