#pragma once
// The key filter's worker: on a thread of its own it finds the keyboard's evdev nodes, grabs
// them once no key is down, routes their events (key_event_router.h) and passes everything that
// is not captured through a uinput device, so the keyboard keeps working. Nodes that appear later
// (the keyboard plugged in again) are found by a rescan every second. LED changes the system
// sends to the pass-through device go on to the keyboard. Without a pass-through device nothing is
// grabbed, so the keyboard is never cut off.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/evdev_node.h"
#include "platform/linux/key_event_router.h"
#include "platform/linux/uinput_device.h"

namespace platform::linux_backend {

class GrabEngine {
 public:
  using NodeFinder = std::function<std::vector<std::string>()>;
  using EventSink = std::function<void(const KeyEventBytes&)>;

  // `findNodes` lists the evdev nodes to grab now; `deliver` takes each captured key event.
  GrabEngine(NodeFinder findNodes, EventSink deliver);
  ~GrabEngine();  // stops the thread, releases pass-through keys, ungrabs
  GrabEngine(const GrabEngine&) = delete;
  GrabEngine& operator=(const GrabEngine&) = delete;

  void SetCaptureSet(const CaptureSet& set);
  // Rescans at once (the keyboard changed).
  void Rescan();
  // Nodes grabbed now (for tests and diagnostics).
  std::vector<std::string> GrabbedNodes() const;

 private:
  struct Node {
    std::unique_ptr<EvdevNode> evdev;
    KeyEventRouter router;
  };

  void Run();
  void Scan();
  void Drain(Node& node, bool& gone);
  void Forget(Node& node);
  void Wake();

  NodeFinder findNodes_;
  EventSink deliver_;
  std::unique_ptr<UinputDevice> passThrough_;
  int wakeFd_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<bool> rescan_{true};

  mutable std::mutex mutex_;  // guards captureSet_, captureVersion_ and grabbed_
  CaptureSet captureSet_;
  std::uint64_t captureVersion_ = 0;
  std::vector<std::string> grabbed_;

  std::map<std::string, Node> nodes_;  // worker thread only
  std::uint64_t appliedVersion_ = 0;   // worker thread only
  std::thread thread_;
};

}  // namespace platform::linux_backend
