#pragma once
// Reads an evdev node the way any program on the desktop would (no grab), for the kernel suite.
#include <linux/input.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kbtest {

// /dev/input/eventN of the input devices named `name` (as /sys/class/input/eventN/device/name).
std::vector<std::string> EventNodesNamed(const std::string& name);
// Waits up to `timeoutMs` for a node of that name to exist.
std::optional<std::string> WaitForEventNodeNamed(const std::string& name, int timeoutMs);

class EventNodeReader {
 public:
  explicit EventNodeReader(const std::string& devnode);
  ~EventNodeReader();
  EventNodeReader(const EventNodeReader&) = delete;
  EventNodeReader& operator=(const EventNodeReader&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  // The next EV_KEY event within the time limit (other events are skipped).
  std::optional<input_event> NextKey(int timeoutMs);
  // Waits for this key change; other key events before it are collected in `skipped`.
  std::optional<input_event> WaitForKey(std::uint16_t code, int value, int timeoutMs,
                                        std::vector<input_event>* skipped = nullptr);
  // True when the node went away (read gave ENODEV) while reading.
  bool Gone() const { return gone_; }

 private:
  int fd_ = -1;
  bool gone_ = false;
};

double Seconds(const input_event& event);

}  // namespace kbtest
