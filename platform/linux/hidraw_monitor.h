#pragma once
// Watches hidraw nodes come and go on a thread of its own and reports each change once per
// interface path (one per top-level collection), with the same paths listing gives. Events come
// from the udev daemon when one runs, otherwise straight from the kernel's uevents
// (NETLINK_KOBJECT_UEVENT). Removal reports the paths remembered from the node's arrival (or
// from the listing at start), because a removed node can no longer be read.
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/hid.h"
#include "platform/linux/udev_handles.h"

namespace platform::linux_backend {

class HidrawMonitor final : public Subscription {
 public:
  using Callback = std::function<void(DeviceChange change, const std::wstring& path)>;

  // Starts watching; `Started()` tells whether it could.
  explicit HidrawMonitor(Callback onChange);
  ~HidrawMonitor() override;  // stops the thread and waits for it
  HidrawMonitor(const HidrawMonitor&) = delete;
  HidrawMonitor& operator=(const HidrawMonitor&) = delete;

  bool Started() const { return thread_.joinable(); }

 private:
  void Run();
  void Handle(udev_device* device);

  Callback onChange_;
  UdevPtr udev_;
  UdevMonitorPtr monitor_;
  int stopFd_ = -1;  // eventfd that ends the thread
  std::map<std::string, std::vector<std::wstring>> knownPaths_;  // hidraw name -> its paths
  std::thread thread_;
};

}  // namespace platform::linux_backend
