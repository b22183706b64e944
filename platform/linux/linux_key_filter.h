#pragma once
// The key filter driver on Linux, in this process, behind the filter-device seam ("\\.\vhidflt").
// It speaks the driver's request protocol: the capture table (0x22A000) replaces the set of
// captured keys, a key-event read (0x226044) stays pending until a captured key goes down or up,
// the three mode requests (0x226008, 0x22600C, 0x226010) complete, and every request completes
// after it went pending, as the channel's rule expects. From the first open, while a handle is open
// or a key is captured, a GrabEngine grabs the keyboard's evdev nodes and passes uncaptured input
// through: a re-open (all handles closed, then new ones opened) keeps the grab and the queued key
// events. The keyboard is chosen by vendor and product (SetKeyboard).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/filter_device.h"
#include "platform/linux/grab_engine.h"

namespace platform::linux_backend {

class LinuxKeyFilter final : public FilterDeviceSystem {
 public:
  // `findNodes` lists the evdev nodes of a keyboard by vendor and product.
  using KeyboardNodeFinder = std::function<std::vector<std::string>(std::uint16_t vendorId, std::uint16_t productId)>;

  explicit LinuxKeyFilter(KeyboardNodeFinder findNodes);
  ~LinuxKeyFilter() override;
  LinuxKeyFilter(const LinuxKeyFilter&) = delete;
  LinuxKeyFilter& operator=(const LinuxKeyFilter&) = delete;

  std::unique_ptr<AbortEvent> CreateAbortEvent() override;
  std::unique_ptr<FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                 std::uint32_t& error) override;
  InputPath Path() const override { return InputPath::kInputGrab; }

  // The keyboard whose nodes are grabbed; until it is set nothing is grabbed.
  void SetKeyboard(std::uint16_t vendorId, std::uint16_t productId);
  // Nodes grabbed now.
  std::vector<std::string> GrabbedNodes() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace platform::linux_backend
