#include "platform/linux/grab_engine.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "support/logger.h"

namespace platform::linux_backend {

namespace {

constexpr int kRescanIntervalMs = 1000;
constexpr int kGrabRetryMs = 20;
constexpr char kPassThroughName[] = "kbconfig key filter pass-through";

UinputSetup PassThroughSetup() {
  UinputSetup setup;
  setup.name = kPassThroughName;
  for (std::uint16_t key = 1; key < KEY_MAX; ++key) {
    // Leave out the joystick and gamepad buttons so desktops keep seeing a keyboard and mouse.
    if (key >= BTN_JOYSTICK && key < BTN_DIGI) continue;
    setup.keys.push_back(key);
  }
  setup.relativeAxes = {REL_X, REL_Y, REL_WHEEL, REL_HWHEEL};
  setup.leds = {LED_NUML, LED_CAPSL, LED_SCROLLL, LED_COMPOSE, LED_KANA};
  setup.autoRepeat = true;
  return setup;
}

}  // namespace

GrabEngine::GrabEngine(NodeFinder findNodes, EventSink deliver)
    : findNodes_(std::move(findNodes)), deliver_(std::move(deliver)) {
  std::uint32_t error = 0;
  passThrough_ = UinputDevice::Create(PassThroughSetup(), error);
  if (!passThrough_) {
    support::LogFailure("key filter", "no pass-through device, the keyboard is not grabbed");
    return;
  }
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) {
    support::LogFailure("eventfd", std::strerror(errno));
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

GrabEngine::~GrabEngine() {
  if (thread_.joinable()) {
    stop_ = true;
    Wake();
    thread_.join();
  }
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void GrabEngine::SetCaptureSet(const CaptureSet& set) {
  {
    std::scoped_lock lock(mutex_);
    captureSet_ = set;
    ++captureVersion_;
  }
  Wake();
}

void GrabEngine::Rescan() {
  rescan_ = true;
  Wake();
}

std::vector<std::string> GrabEngine::GrabbedNodes() const {
  std::scoped_lock lock(mutex_);
  return grabbed_;
}

void GrabEngine::Wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  if (::write(wakeFd_, &one, sizeof one) != sizeof one) support::LogFailure("eventfd write", std::strerror(errno));
}

void GrabEngine::Scan() {
  const std::vector<std::string> present = findNodes_();
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (std::find(present.begin(), present.end(), it->first) == present.end()) {
      Forget(it->second);
      it = nodes_.erase(it);
    } else {
      ++it;
    }
  }
  for (const std::string& path : present) {
    if (nodes_.count(path) != 0) continue;
    if (auto evdev = EvdevNode::Open(path)) {
      Node node;
      node.evdev = std::move(evdev);
      {
        std::scoped_lock lock(mutex_);
        node.router.SetCaptureSet(captureSet_);
      }
      nodes_.emplace(path, std::move(node));
    }
  }
}

void GrabEngine::Forget(Node& node) {
  KeyEventRouter::Result released = node.router.Forget();
  std::uint32_t error = 0;
  passThrough_->Emit(released.passThrough, error);
  for (const KeyEventBytes& event : released.captured) deliver_(event);
}

void GrabEngine::Drain(Node& node, bool& gone) {
  std::vector<InputEvent> events;
  gone = !node.evdev->ReadEvents(events);
  // Before the grab the system sees the node's events itself: they are not ours to route.
  if (!node.evdev->Grabbed()) return;
  KeyEventRouter::Result result;
  for (const InputEvent& event : events) node.router.Route(event, result);
  std::uint32_t error = 0;
  passThrough_->Emit(result.passThrough, error);
  for (const KeyEventBytes& event : result.captured) deliver_(event);
}

void GrabEngine::Run() {
  auto lastScan = std::chrono::steady_clock::now();
  while (!stop_) {
    const auto now = std::chrono::steady_clock::now();
    if (rescan_.exchange(false) || now - lastScan >= std::chrono::milliseconds(kRescanIntervalMs)) {
      Scan();
      lastScan = now;
    }
    {
      std::scoped_lock lock(mutex_);
      if (appliedVersion_ != captureVersion_) {
        for (auto& [path, node] : nodes_) node.router.SetCaptureSet(captureSet_);
        appliedVersion_ = captureVersion_;
      }
    }
    bool waitingForGrab = false;
    std::vector<std::string> grabbed;
    for (auto& [path, node] : nodes_) {
      if (node.evdev->TryGrab()) {
        grabbed.push_back(path);
      } else {
        waitingForGrab = true;
      }
    }
    {
      std::scoped_lock lock(mutex_);
      grabbed_ = grabbed;
    }

    std::vector<pollfd> fds;
    fds.push_back({wakeFd_, POLLIN, 0});
    fds.push_back({passThrough_->Fd(), POLLIN, 0});
    std::vector<std::string> order;
    for (auto& [path, node] : nodes_) {
      fds.push_back({node.evdev->Fd(), POLLIN, 0});
      order.push_back(path);
    }
    const int timeout = waitingForGrab ? kGrabRetryMs : kRescanIntervalMs;
    if (::poll(fds.data(), fds.size(), timeout) < 0) {
      if (errno == EINTR) continue;
      support::LogFailure("poll key filter", std::strerror(errno));
      return;
    }
    if (fds[0].revents & POLLIN) {
      std::uint64_t count = 0;
      if (::read(wakeFd_, &count, sizeof count) < 0 && errno != EAGAIN) {
        support::LogFailure("eventfd read", std::strerror(errno));
      }
    }
    if (fds[1].revents & POLLIN) {
      std::vector<InputEvent> leds;
      InputEvent event;
      while (passThrough_->ReadFeedback(event)) {
        if (event.type == EV_LED) leds.push_back(event);
      }
      if (!leds.empty()) {
        leds.push_back(InputEvent{EV_SYN, SYN_REPORT, 0});
        for (auto& [path, node] : nodes_) node.evdev->Write(leds);
      }
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
      const short revents = fds[i + 2].revents;
      if (revents == 0) continue;
      Node& node = nodes_.at(order[i]);
      bool gone = (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
      if (revents & POLLIN) {
        bool readGone = false;
        Drain(node, readGone);
        gone = gone || readGone;
      }
      if (gone) {
        Forget(node);
        nodes_.erase(order[i]);
      }
    }
  }
  // Keys the system saw pressed through us go up before the device and the grab go away.
  for (auto& [path, node] : nodes_) Forget(node);
  nodes_.clear();
}

}  // namespace platform::linux_backend
