#pragma once
// Block devices for the power-cut test, made with the kernel's own interfaces (no udev, no
// losetup or dmsetup in the guest): a loop device over a file, a device-mapper device with a
// one-target table, and a mounted file system. Each undoes itself when destroyed.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace kbtest {

class LoopDevice {
 public:
  // Null when the file cannot be attached; the reason is printed.
  static std::unique_ptr<LoopDevice> Attach(const std::filesystem::path& file);
  ~LoopDevice();
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  const std::string& Node() const { return node_; }  // "/dev/loop0"
  dev_t Number() const { return number_; }
  std::uint64_t Sectors() const { return sectors_; }  // 512-byte sectors

 private:
  LoopDevice(int fd, std::string node, dev_t number, std::uint64_t sectors);
  int fd_;
  std::string node_;
  dev_t number_;
  std::uint64_t sectors_;
};

class MappedDevice {
 public:
  // Creates /dev/mapper device `name` with the table "0 <sectors> <target> <parameters>" and
  // activates it. Null when the kernel refuses; the reason is printed.
  static std::unique_ptr<MappedDevice> Create(const std::string& name, std::uint64_t sectors,
                                              const std::string& target, const std::string& parameters);
  ~MappedDevice();  // removes the device (the target's destructor runs then)
  MappedDevice(const MappedDevice&) = delete;
  MappedDevice& operator=(const MappedDevice&) = delete;

  std::string Node() const;  // "/dev/dm-0"
  // The target's status line, as "dmsetup status" prints after the target's name.
  std::string Status() const;
  // Removes the device now; false when the kernel refused.
  bool Remove();

 private:
  MappedDevice(std::string name, dev_t number) : name_(std::move(name)), number_(number) {}
  std::string name_;
  dev_t number_;
  bool removed_ = false;
};

// "major:minor", as device-mapper tables name devices.
std::string DeviceNumberText(dev_t number);

class MountedFileSystem {
 public:
  static std::unique_ptr<MountedFileSystem> Mount(const std::string& device, const std::filesystem::path& at,
                                                  const std::string& type, const std::string& options);
  ~MountedFileSystem();  // unmounts
  MountedFileSystem(const MountedFileSystem&) = delete;
  MountedFileSystem& operator=(const MountedFileSystem&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Mounts it again with other options (read-write when they do not say "ro").
  bool Remount(const std::string& options);
  // Unmounts now (writing back what is cached); false when the kernel refused.
  bool Unmount();

 private:
  MountedFileSystem(std::string device, std::filesystem::path path, std::string type)
      : device_(std::move(device)), path_(std::move(path)), type_(std::move(type)) {}
  std::string device_;
  std::filesystem::path path_;
  std::string type_;
  bool mounted_ = true;
};

}  // namespace kbtest
