#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "support/durable_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace support::durable {
namespace {

// Logs the failed call and returns the system's message for `error` (thread-safe, unlike strerror).
std::string LogErrno(std::string_view operation, const std::filesystem::path& path, int error) {
  std::string message = std::generic_category().message(error);
  LogFailure(operation, PathToUtf8(path) + ": " + message);
  return message;
}

// Closes the descriptor when it goes, unless Close() did already.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return fd_; }
  // Closes now; close() may be the first to report a failed write. Returns close()'s result.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes, const std::filesystem::path& path, std::string& reason) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      reason = LogErrno("write", path, errno);
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The rename is an entry of the folder: it is on the disk once the folder is synced.
bool SyncFolderOf(const std::filesystem::path& file, std::string& reason) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  Descriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (descriptor.Get() < 0) {
    reason = LogErrno("open(folder)", folder, errno);
    return false;
  }
  if (::fsync(descriptor.Get()) != 0) {
    reason = LogErrno("fsync(folder)", folder, errno);
    return false;
  }
  return true;
}

}  // namespace

bool WriteNewFile(const std::filesystem::path& path, std::string_view bytes, std::string& reason) {
  Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (file.Get() < 0) {
    reason = LogErrno("open", path, errno);
    return false;
  }
  bool written = WriteAll(file.Get(), bytes, path, reason);
  if (written && ::fsync(file.Get()) != 0) {
    reason = LogErrno("fsync", path, errno);
    written = false;
  }
  if (written && file.Close() != 0) {
    reason = LogErrno("close", path, errno);
    written = false;
  }
  if (!written) {
    if (file.Get() >= 0) file.Close();
    RemoveFile(path);
  }
  return written;
}

RenameResult RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::string& reason) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    reason = LogErrno("rename", to, errno);
    return RenameResult::kNotReplaced;
  }
  return SyncFolderOf(to, reason) ? RenameResult::kReplaced : RenameResult::kReplacedNotDurable;
}

bool CreateFolder(const std::filesystem::path& path) {
  if (::mkdir(path.c_str(), 0777) != 0) {
    const int error = errno;
    struct stat status{};
    if (error == EEXIST && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
    LogErrno("mkdir", path, error);
    return false;
  }
  std::string reason;  // logged; folder callers need no text for the user
  return SyncFolderOf(path, reason);
}

bool RenameFolder(const std::filesystem::path& from, const std::filesystem::path& to) {
  // rename() would replace an empty folder at `to`: it must not be there.
  struct stat status{};
  if (::lstat(to.c_str(), &status) == 0) {
    LogErrno("rename(folder)", to, EEXIST);
    return false;
  }
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    LogErrno("rename(folder)", to, errno);
    return false;
  }
  std::string reason;  // logged; folder callers need no text for the user
  const bool synced = SyncFolderOf(to, reason);
  return (from.parent_path() == to.parent_path() || SyncFolderOf(from, reason)) && synced;
}

bool RemoveFile(const std::filesystem::path& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  LogErrno("unlink", path, errno);
  return false;
}

}  // namespace support::durable
