#include "platform/linux/hidraw_monitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/linux/hidraw_nodes.h"
#include "support/logger.h"

namespace platform::linux_backend {

namespace {

// udevd creates this socket while it runs; without it the kernel's own events are used.
bool UdevDaemonRuns() { return ::access("/run/udev/control", F_OK) == 0; }

}  // namespace

HidrawMonitor::HidrawMonitor(Callback onChange) : onChange_(std::move(onChange)), udev_(NewUdev()) {
  if (!udev_) return;
  const char* source = UdevDaemonRuns() ? "udev" : "kernel";
  monitor_.reset(udev_monitor_new_from_netlink(udev_.get(), source));
  if (!monitor_) {
    support::LogFailure("udev_monitor_new_from_netlink", std::string(source) + ": " + std::strerror(errno));
    return;
  }
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_.get()) < 0) {
    support::LogFailure("udev_monitor_enable_receiving", std::strerror(errno));
    monitor_.reset();
    return;
  }
  stopFd_ = ::eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    support::LogFailure("eventfd", std::strerror(errno));
    monitor_.reset();
    return;
  }
  // Listen first, then list: a node arriving in between is reported rather than missed.
  for (const HidrawNode& node : ListHidrawNodes(*udev_)) {
    knownPaths_[node.identity.hidrawName] = InterfacePathsOf(node);
  }
  thread_ = std::thread([this] { Run(); });
}

HidrawMonitor::~HidrawMonitor() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) != sizeof one) support::LogFailure("eventfd write", std::strerror(errno));
    thread_.join();
  }
  if (stopFd_ >= 0) ::close(stopFd_);
}

void HidrawMonitor::Run() {
  pollfd fds[2] = {{udev_monitor_get_fd(monitor_.get()), POLLIN, 0}, {stopFd_, POLLIN, 0}};
  while (true) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      support::LogFailure("poll hidraw monitor", std::strerror(errno));
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents & POLLIN) {
      UdevDevicePtr device(udev_monitor_receive_device(monitor_.get()));
      if (device) Handle(device.get());
    }
  }
}

void HidrawMonitor::Handle(udev_device* device) {
  const char* action = udev_device_get_action(device);
  const char* name = udev_device_get_sysname(device);
  if (action == nullptr || name == nullptr) return;
  const std::string_view what(action);
  if (what == "add") {
    std::optional<HidrawNode> node = DescribeHidrawNode(device);
    if (!node) return;
    std::vector<std::wstring> paths = InterfacePathsOf(*node);
    knownPaths_[name] = paths;
    for (const std::wstring& path : paths) onChange_(DeviceChange::kArrival, path);
  } else if (what == "remove") {
    const auto known = knownPaths_.find(name);
    if (known == knownPaths_.end()) return;
    const std::vector<std::wstring> paths = std::move(known->second);
    knownPaths_.erase(known);
    for (const std::wstring& path : paths) onChange_(DeviceChange::kRemoval, path);
  }
}

}  // namespace platform::linux_backend
