#pragma once
// One evdev node of the keyboard, opened for the key filter: it is grabbed (EVIOCGRAB) only while
// no key is held down on it (EVIOCGKEY), because a key held across the grab would stay down on the
// desktop. The grab ends when the node is closed, also when the process dies.
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/input_event.h"

namespace platform::linux_backend {

class EvdevNode {
 public:
  // Null (logged) when the node cannot be opened.
  static std::unique_ptr<EvdevNode> Open(const std::string& devnode);
  ~EvdevNode();
  EvdevNode(const EvdevNode&) = delete;
  EvdevNode& operator=(const EvdevNode&) = delete;

  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }
  bool Grabbed() const { return grabbed_; }
  // Grabs when no key is down; true once grabbed.
  bool TryGrab();
  // Reads what is waiting. False when the node is gone or broken (events read so far are kept).
  bool ReadEvents(std::vector<InputEvent>& events);
  // Sends events to the device (LED changes); ignored when the node is read-only.
  void Write(const std::vector<InputEvent>& events);

 private:
  EvdevNode(std::string path, int fd, bool writable) : path_(std::move(path)), fd_(fd), writable_(writable) {}
  bool AnyKeyDown();

  std::string path_;
  int fd_;
  bool writable_;
  bool grabbed_ = false;
};

}  // namespace platform::linux_backend
