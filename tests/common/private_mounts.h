#pragma once
// File systems that only this test process sees: a small tmpfs over a folder, which fills up or
// is made read-only, so that saves meet ENOSPC and EROFS even as root (whom a folder's
// permissions do not stop). EnterPrivateMounts() runs first in main(), while the process has one
// thread: it gives the process a mount namespace of its own (as root directly, otherwise inside a
// user namespace). Linux only.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace testsupport {

// Why this process cannot mount file systems of its own; empty when it can.
inline std::string& PrivateMountsUnavailable() {
  static std::string reason = "EnterPrivateMounts() was not called";
  return reason;
}

inline std::string SystemText(const std::string& call) { return call + ": " + std::generic_category().message(errno); }

inline void EnterPrivateMounts() {
  const std::string uid = std::to_string(getuid()), gid = std::to_string(getgid());
  std::string& reason = PrivateMountsUnavailable();
  if (unshare(CLONE_NEWNS) != 0) {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      reason = SystemText("unshare of the mount namespace");
      return;
    }
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
    std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
  }
  reason = mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 ? "" : SystemText("mount --make-rprivate /");
}

// A tmpfs of `bytes` over `folder` while it lives. Error() says why there is none.
class SmallTmpfs {
 public:
  SmallTmpfs(const std::filesystem::path& folder, std::size_t bytes) : folder_(folder) {
    const std::string options = "size=" + std::to_string(bytes);
    if (mount("kb-test", folder_.c_str(), "tmpfs", 0, options.c_str()) != 0) error_ = SystemText("mount tmpfs");
  }
  ~SmallTmpfs() {
    if (error_.empty()) umount2(folder_.c_str(), MNT_DETACH);
  }
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;

  const std::string& Error() const { return error_; }
  bool SetReadOnly(bool readOnly) const {
    return mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr) == 0;
  }
  // Writes `filler` inside until the file system has no byte left; true when it is full.
  bool FillWith(const std::filesystem::path& filler) const {
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::array<char, 512> block{};
    while (write(fd, block.data(), block.size()) > 0) {
    }
    const bool full = errno == ENOSPC;
    close(fd);
    return full;
  }

 private:
  std::filesystem::path folder_;
  std::string error_;
};

}  // namespace testsupport
