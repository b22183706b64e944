#include "block_devices.h"

#include <fcntl.h>
#include <linux/dm-ioctl.h>
#include <linux/fs.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace kbtest {

namespace {

void PrintFailure(const std::string& what) { std::fprintf(stderr, "%s: %s\n", what.c_str(), std::strerror(errno)); }

// One device-mapper control request: the header, then `payload` (table or message), in one buffer
// large enough for the kernel's answer.
class DmRequest {
 public:
  DmRequest(const std::string& name, std::size_t payloadBytes = 0) : buffer_(sizeof(dm_ioctl) + payloadBytes + 4096) {
    dm_ioctl& header = Header();
    header.version[0] = DM_VERSION_MAJOR;
    header.version[1] = DM_VERSION_MINOR;
    header.version[2] = DM_VERSION_PATCHLEVEL;
    header.data_size = static_cast<std::uint32_t>(buffer_.size());
    header.data_start = sizeof(dm_ioctl);
    std::snprintf(header.name, sizeof header.name, "%s", name.c_str());
  }

  dm_ioctl& Header() { return *reinterpret_cast<dm_ioctl*>(buffer_.data()); }
  char* Payload() { return buffer_.data() + sizeof(dm_ioctl); }
  // Where the kernel put its answer's data.
  const char* Answer() { return buffer_.data() + Header().data_start; }

  bool Send(unsigned long command, const char* what) {
    const int control = ::open("/dev/mapper/control", O_RDWR | O_CLOEXEC);
    if (control < 0) {
      PrintFailure("open /dev/mapper/control");
      return false;
    }
    const int result = ::ioctl(control, command, buffer_.data());
    if (result != 0) PrintFailure(std::string("device-mapper ") + what + " " + Header().name);
    ::close(control);
    return result == 0;
  }

 private:
  std::vector<char> buffer_;
};

}  // namespace

std::string DeviceNumberText(dev_t number) {
  return std::to_string(major(number)) + ":" + std::to_string(minor(number));
}

// --- loop devices ------------------------------------------------------------------------------

LoopDevice::LoopDevice(int fd, std::string node, dev_t number, std::uint64_t sectors)
    : fd_(fd), node_(std::move(node)), number_(number), sectors_(sectors) {}

std::unique_ptr<LoopDevice> LoopDevice::Attach(const std::filesystem::path& file) {
  const int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
  if (control < 0) {
    PrintFailure("open /dev/loop-control");
    return nullptr;
  }
  const int index = ::ioctl(control, LOOP_CTL_GET_FREE);
  ::close(control);
  if (index < 0) {
    PrintFailure("LOOP_CTL_GET_FREE");
    return nullptr;
  }
  const std::string node = "/dev/loop" + std::to_string(index);
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {  // devtmpfs makes the node soon after
    fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const int backing = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 || backing < 0) {
    PrintFailure("open " + (fd < 0 ? node : file.string()));
    if (fd >= 0) ::close(fd);
    if (backing >= 0) ::close(backing);
    return nullptr;
  }
  loop_config config{};
  config.fd = static_cast<std::uint32_t>(backing);
  std::snprintf(reinterpret_cast<char*>(config.info.lo_file_name), sizeof config.info.lo_file_name, "%s",
                file.c_str());
  const int configured = ::ioctl(fd, LOOP_CONFIGURE, &config);
  ::close(backing);  // the loop device holds the file now
  std::uint64_t bytes = 0;
  struct stat info {};
  if (configured != 0 || ::ioctl(fd, BLKGETSIZE64, &bytes) != 0 || ::fstat(fd, &info) != 0) {
    PrintFailure("attach " + file.string() + " to " + node);
    ::ioctl(fd, LOOP_CLR_FD, 0);
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<LoopDevice>(new LoopDevice(fd, node, info.st_rdev, bytes / 512));
}

LoopDevice::~LoopDevice() {
  if (::ioctl(fd_, LOOP_CLR_FD, 0) != 0) PrintFailure("LOOP_CLR_FD " + node_);
  ::close(fd_);
}

// --- device mapper -----------------------------------------------------------------------------

std::unique_ptr<MappedDevice> MappedDevice::Create(const std::string& name, std::uint64_t sectors,
                                                   const std::string& target, const std::string& parameters) {
  DmRequest create(name);
  if (!create.Send(DM_DEV_CREATE, "create")) return nullptr;
  std::unique_ptr<MappedDevice> device(new MappedDevice(name, static_cast<dev_t>(create.Header().dev)));

  DmRequest load(name, sizeof(dm_target_spec) + parameters.size() + 8);
  load.Header().target_count = 1;
  auto* spec = reinterpret_cast<dm_target_spec*>(load.Payload());
  spec->sector_start = 0;
  spec->length = sectors;
  std::snprintf(spec->target_type, sizeof spec->target_type, "%s", target.c_str());
  std::memcpy(load.Payload() + sizeof(dm_target_spec), parameters.c_str(), parameters.size() + 1);
  if (!load.Send(DM_TABLE_LOAD, "load table")) return nullptr;

  DmRequest resume(name);  // a suspend request without DM_SUSPEND_FLAG resumes: the table goes live
  if (!resume.Send(DM_DEV_SUSPEND, "resume")) return nullptr;
  const std::string node = device->Node();
  for (int attempt = 0; attempt < 100 && ::access(node.c_str(), R_OK) != 0; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return device;
}

MappedDevice::~MappedDevice() { Remove(); }

std::string MappedDevice::Node() const { return "/dev/dm-" + std::to_string(minor(number_)); }

std::string MappedDevice::Status() const {
  DmRequest status(name_);
  if (!status.Send(DM_TABLE_STATUS, "status") || status.Header().target_count < 1) return {};
  return std::string(status.Answer() + sizeof(dm_target_spec));
}

bool MappedDevice::Remove() {
  if (removed_) return true;
  DmRequest remove(name_);
  removed_ = remove.Send(DM_DEV_REMOVE, "remove");
  return removed_;
}

// --- mounts ------------------------------------------------------------------------------------

std::unique_ptr<MountedFileSystem> MountedFileSystem::Mount(const std::string& device,
                                                            const std::filesystem::path& at, const std::string& type,
                                                            const std::string& options) {
  std::error_code ignored;
  std::filesystem::create_directories(at, ignored);
  const bool readOnly = options == "ro" || options.rfind("ro,", 0) == 0;
  if (::mount(device.c_str(), at.c_str(), type.c_str(), readOnly ? MS_RDONLY : 0, options.c_str()) != 0) {
    PrintFailure("mount " + device + " on " + at.string() + " (" + type + ", " + options + ")");
    return nullptr;
  }
  return std::unique_ptr<MountedFileSystem>(new MountedFileSystem(device, at, type));
}

bool MountedFileSystem::Remount(const std::string& options) {
  const bool readOnly = options == "ro" || options.rfind("ro,", 0) == 0;
  const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
  if (::mount(device_.c_str(), path_.c_str(), type_.c_str(), flags, options.c_str()) != 0) {
    PrintFailure("remount " + path_.string() + " (" + options + ")");
    return false;
  }
  return true;
}

MountedFileSystem::~MountedFileSystem() { Unmount(); }

bool MountedFileSystem::Unmount() {
  if (!mounted_) return true;
  if (::umount(path_.c_str()) != 0) {
    PrintFailure("umount " + path_.string());
    return false;
  }
  mounted_ = false;
  return true;
}

}  // namespace kbtest
