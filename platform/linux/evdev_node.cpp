#include "platform/linux/evdev_node.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/logger.h"

namespace platform::linux_backend {

std::unique_ptr<EvdevNode> EvdevNode::Open(const std::string& devnode) {
  bool writable = true;
  int fd = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    writable = false;
    fd = ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  if (fd < 0) {
    support::LogFailure("open evdev", devnode + ": " + std::strerror(errno));
    return nullptr;
  }
  return std::unique_ptr<EvdevNode>(new EvdevNode(devnode, fd, writable));
}

EvdevNode::~EvdevNode() {
  if (::close(fd_) != 0) support::LogFailure("close evdev", path_ + ": " + std::strerror(errno));
}

bool EvdevNode::AnyKeyDown() {
  unsigned char keys[KEY_MAX / 8 + 1] = {};
  if (::ioctl(fd_, EVIOCGKEY(sizeof keys), keys) < 0) {
    support::LogFailure("EVIOCGKEY", path_ + ": " + std::strerror(errno));
    return true;  // cannot tell: do not grab
  }
  for (unsigned char byte : keys) {
    if (byte != 0) return true;
  }
  return false;
}

bool EvdevNode::TryGrab() {
  if (grabbed_) return true;
  if (AnyKeyDown()) return false;
  if (::ioctl(fd_, EVIOCGRAB, 1) < 0) {
    support::LogFailure("EVIOCGRAB", path_ + ": " + std::strerror(errno));
    return false;
  }
  grabbed_ = true;
  return true;
}

bool EvdevNode::ReadEvents(std::vector<InputEvent>& events) {
  input_event raw[64];
  while (true) {
    const ssize_t got = ::read(fd_, raw, sizeof raw);
    if (got < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
      if (errno == EINTR) continue;
      if (errno != ENODEV) support::LogFailure("read evdev", path_ + ": " + std::strerror(errno));
      return false;
    }
    if (got == 0) return false;
    const std::size_t count = static_cast<std::size_t>(got) / sizeof(input_event);
    for (std::size_t i = 0; i < count; ++i) events.push_back(InputEvent{raw[i].type, raw[i].code, raw[i].value});
    if (count < sizeof raw / sizeof raw[0]) return true;
  }
}

void EvdevNode::Write(const std::vector<InputEvent>& events) {
  if (!writable_) return;
  for (const InputEvent& event : events) {
    input_event raw{};
    raw.type = event.type;
    raw.code = event.code;
    raw.value = event.value;
    if (::write(fd_, &raw, sizeof raw) != static_cast<ssize_t>(sizeof raw)) {
      support::LogFailure("write evdev", path_ + ": " + std::strerror(errno));
      return;
    }
  }
}

}  // namespace platform::linux_backend
