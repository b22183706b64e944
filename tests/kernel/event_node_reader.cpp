#include "event_node_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

namespace kbtest {

std::vector<std::string> EventNodesNamed(const std::string& name) {
  std::vector<std::string> nodes;
  DIR* dir = ::opendir("/sys/class/input");
  if (dir == nullptr) return nodes;
  while (dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
    std::ifstream file(std::string("/sys/class/input/") + entry->d_name + "/device/name");
    std::string line;
    if (std::getline(file, line) && line == name) nodes.push_back(std::string("/dev/input/") + entry->d_name);
  }
  ::closedir(dir);
  return nodes;
}

std::optional<std::string> WaitForEventNodeNamed(const std::string& name, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  do {
    const auto nodes = EventNodesNamed(name);
    if (!nodes.empty() && ::access(nodes.front().c_str(), R_OK) == 0) return nodes.front();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

EventNodeReader::EventNodeReader(const std::string& devnode) {
  fd_ = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

EventNodeReader::~EventNodeReader() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<input_event> EventNodeReader::NextKey(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (fd_ >= 0 && !gone_) {
    input_event event{};
    const ssize_t got = ::read(fd_, &event, sizeof event);
    if (got == static_cast<ssize_t>(sizeof event)) {
      if (event.type == EV_KEY) return event;
      continue;
    }
    if (got < 0 && errno == ENODEV) {
      gone_ = true;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd ready{fd_, POLLIN, 0};
    ::poll(&ready, 1, static_cast<int>(left.count()));
  }
  return std::nullopt;
}

std::optional<input_event> EventNodeReader::WaitForKey(std::uint16_t code, int value, int timeoutMs,
                                                       std::vector<input_event>* skipped) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    const std::optional<input_event> event = NextKey(static_cast<int>(left.count()));
    if (!event) return std::nullopt;
    if (event->code == code && event->value == value) return event;
    if (skipped) skipped->push_back(*event);
  }
}

double Seconds(const input_event& event) {
  return static_cast<double>(event.input_event_sec) + static_cast<double>(event.input_event_usec) / 1e6;
}

}  // namespace kbtest
