#pragma once
// The key filter driver's part played without the driver, behind the filter-device seam
// ("\\.\vhidflt"): the same request protocol, answered in this process through a low-level
// keyboard hook (keyboard_hook.h). The capture table (0x22A000) replaces the set of captured
// keys, 0x226010 captures every key for recording and 0x226008 ends that, a key-event read
// (0x226044) stays pending until a captured key goes down or up, and every request completes
// after it went pending, as the channel's rule expects.
//
// Unlike the driver, the hook sees keys without knowing their keyboard: an assigned key is
// captured on every keyboard attached.
//
// What is captured belongs to the filter, not to a handle: closing and opening handles (the
// channel re-opens on every HID arrival) neither drops the hook nor loses queued key events.
// A capture request completes once the hook has taken the new set.
#include <functional>
#include <memory>
#include <string>

#include "platform/filter_device.h"

namespace platform::win32 {

class KeyboardHook;

class HookKeyFilter final : public FilterDeviceSystem {
 public:
  // `keysLost` runs whenever the hook loses track of keys (removed, dropped by the system, session
  // locked, its thread ended): it releases the keys the program's own injection holds.
  explicit HookKeyFilter(std::function<void()> keysLost = {});
  ~HookKeyFilter() override;
  HookKeyFilter(const HookKeyFilter&) = delete;
  HookKeyFilter& operator=(const HookKeyFilter&) = delete;

  std::unique_ptr<AbortEvent> CreateAbortEvent() override;
  std::unique_ptr<FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                 std::uint32_t& error) override;
  InputPath Path() const override { return InputPath::kKeyboardHook; }

  // The hook behind the filter (for tests and figures); null until the first capture request.
  KeyboardHook* Hook();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace platform::win32
