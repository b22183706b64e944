#include "platform/linux/linux_hid_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/hidraw_handle.h"
#include "platform/linux/hidraw_monitor.h"
#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/interface_path.h"
#include "support/logger.h"
#include "support/text.h"

namespace platform::linux_backend {

namespace {
// SPINT_ACTIVE: the interface is present and usable.
constexpr std::uint32_t kInterfaceActive = 0x1;
}  // namespace

bool LinuxHidSystem::ListInterfaces(std::vector<HidInterfaceEntry>& out, Guid& classGuid) {
  classGuid = kHidInterfaceClass;
  UdevPtr context = NewUdev();
  if (!context) return false;
  for (const HidrawNode& node : ListHidrawNodes(*context)) {
    for (const std::wstring& path : InterfacePathsOf(node)) {
      out.push_back(HidInterfaceEntry{path, kHidInterfaceClass, kInterfaceActive});
    }
  }
  return true;
}

std::unique_ptr<HidHandle> LinuxHidSystem::Open(const std::wstring& path, std::uint32_t access, std::uint32_t,
                                                std::uint32_t& error) {
  const std::optional<ParsedInterfacePath> parsed = ParseInterfacePath(path);
  if (!parsed) {
    error = ENOENT;
    return nullptr;
  }
  UdevPtr context = NewUdev();
  if (!context) {
    error = ENOMEM;
    return nullptr;
  }
  std::optional<HidrawNode> node = FindHidrawNode(*context, parsed->hidrawName);
  // The node must still belong to the device the path was made for (nodes are renumbered).
  if (!node || InstanceHidName(node->identity.hidName) != parsed->hidName ||
      node->identity.vendorId != parsed->vendorId || node->identity.productId != parsed->productId ||
      parsed->collectionIndex >= static_cast<int>(node->collections.size())) {
    error = ENOENT;
    return nullptr;
  }
  const bool read = (access & kGenericRead) != 0;
  const bool write = (access & kGenericWrite) != 0;
  int fd = -1;
  if (read || write) {
    const int mode = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    fd = ::open(node->devnode.c_str(), mode | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      error = static_cast<std::uint32_t>(errno);
      support::LogFailure("open hidraw", node->devnode + ": " + std::strerror(errno));
      return nullptr;
    }
  }
  if (fd >= 0 && onOpened_) onOpened_(node->identity.vendorId, node->identity.productId);
  return std::make_unique<HidrawHandle>(fd, std::move(*node), parsed->collectionIndex);
}

std::unique_ptr<Subscription> LinuxHidSystem::WatchInterfaces(
    std::function<void(DeviceChange change, const std::wstring& path)> onChange) {
  auto monitor = std::make_unique<HidrawMonitor>(std::move(onChange));
  if (!monitor->Started()) support::LogFailure("WatchInterfaces", "no hidraw monitor");
  return monitor;
}

}  // namespace platform::linux_backend
