#pragma once
// A uinput device owned by this process: created with the keys, relative axes and LEDs it may
// send, removed when destroyed (the kernel then releases whatever it still held down; that also
// happens when the process dies).
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/linux/input_event.h"

namespace platform::linux_backend {

struct UinputSetup {
  std::string name;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::vector<std::uint16_t> keys;          // EV_KEY codes
  std::vector<std::uint16_t> relativeAxes;  // EV_REL codes
  std::vector<std::uint16_t> leds;          // EV_LED codes (the system may set them)
  bool autoRepeat = false;                  // EV_REP: the input core repeats held keys
};

class UinputDevice {
 public:
  // Null (logged, `error` = errno) when /dev/uinput cannot be opened or the device not created.
  static std::unique_ptr<UinputDevice> Create(const UinputSetup& setup, std::uint32_t& error);
  ~UinputDevice();
  UinputDevice(const UinputDevice&) = delete;
  UinputDevice& operator=(const UinputDevice&) = delete;

  // Writes the events in one go. False with `error` set when the kernel refused them.
  bool Emit(std::span<const InputEvent> events, std::uint32_t& error);
  // The descriptor, for poll(): the system's LED changes can be read from it.
  int Fd() const { return fd_; }
  // Reads one event the system sent to the device (EV_LED, ...); false when none is waiting.
  bool ReadFeedback(InputEvent& event);
  // The evdev node name the kernel gave the device ("event7"), empty when unknown.
  std::string EventNodeName() const;

 private:
  explicit UinputDevice(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace platform::linux_backend
