#pragma once
// An emulated file system that knows only the entries a test declares.
#include <map>
#include <mutex>
#include <string>

#include "platform/file_system.h"

namespace sim {

class SimFileSystem final : public platform::FileSystem {
 public:
  platform::FileKind KindOf(const std::wstring& path) override;

  void AddFile(const std::wstring& path);
  void AddDirectory(const std::wstring& path);

 private:
  std::mutex mutex_;
  std::map<std::wstring, platform::FileKind> entries_;
};

// The file system the program itself uses when linked with the sim backend (empty).
SimFileSystem& DemoFileSystem();

}  // namespace sim
