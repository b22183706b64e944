#pragma once
// A standing request for notifications (HID arrivals, the program in front, ...).

namespace platform {

// Stops the notifications it stands for when destroyed.
class Subscription {
 public:
  virtual ~Subscription() = default;
};

}  // namespace platform
