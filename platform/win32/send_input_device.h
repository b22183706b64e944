#pragma once
// The program's virtual HID device played without its driver, behind the report-device seam: one
// HID interface (vendor 0xDEED, product 0xFEED, usage page 0xFF00, usage 0x01) whose 64-byte output
// reports become SendInput events (report_input_translator.h). Keys are typed by virtual key and
// scan code, extended keys with their E0 flag, the virtual key from the keyboard layout of the
// window in front where the key's meaning follows the layout (and from Num Lock for the keypad);
// a key goes up as the virtual key it went down as, whatever the layout or Num Lock is by then;
// consumer keys as the media virtual keys; mouse buttons, movement and wheel as mouse input;
// system controls as power actions. Every event carries the program's own tag (kOwnInputTag);
// the keyboard hook passes it, as it passes every program's typed keys.
//
// What the injection holds down is kept in atomics, so it can be released from anywhere without a
// lock: when the keyboard hook loses keys, when the last device handle closes, at exit, and when
// the process crashes (an unhandled-exception filter, installed with the first open).
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/report_device.h"
#include "platform/win32/report_input_translator.h"
#include "platform/win32/system_controls.h"

namespace platform::win32 {

extern const wchar_t* const kInjectedDevicePath;

// What the injection holds down, readable and releasable from any thread without a lock.
class InjectedKeys {
 public:
  InjectedState Load() const;
  // Notes the change from `before` to `after` made by one batch of input.
  void Record(const InjectedState& before, const InjectedState& after);
  // Everything held, which is then held no more.
  InjectedState TakeAll();

  // The virtual key a key was last typed down as (0: never).
  void NoteVirtualKey(WinKeyIndex key, std::uint8_t virtualKey) { virtualKeys_[key].store(virtualKey); }
  std::uint8_t VirtualKeyOf(WinKeyIndex key) const { return virtualKeys_[key].load(); }

 private:
  static constexpr std::size_t kWords = (kWinKeyCount + 63) / 64;
  std::array<std::atomic<std::uint64_t>, kWords> keys_{};
  std::array<std::atomic<std::uint8_t>, kWinKeyCount> virtualKeys_{};
  std::atomic<std::uint8_t> buttons_{0};
  std::atomic<std::uint16_t> consumer_{0};
  std::atomic<std::uint16_t> system_{0};
};

class SendInputVirtualHid final : public ReportDeviceSystem {
 public:
  // `controls`: the power actions (the system's own when null).
  explicit SendInputVirtualHid(SystemControls* controls = nullptr);
  ~SendInputVirtualHid() override;  // releases what is held
  SendInputVirtualHid(const SendInputVirtualHid&) = delete;
  SendInputVirtualHid& operator=(const SendInputVirtualHid&) = delete;

  Guid HidClassGuid() override;
  InterfaceListOutcome ListPresentInterfaces(const Guid& interfaceClass, std::vector<std::wstring>& paths) override;
  std::unique_ptr<ReportDevice> OpenReportDevice(const std::wstring& path, std::uint32_t& error) override;

  // Types what one output report asks for. False (and nothing noted as held) when the system did
  // not take all of its input.
  bool Apply(std::span<const std::uint8_t> report, std::uint32_t& error);
  // Releases every key, button and media key the injection holds. Any thread, no lock taken.
  void ReleaseAll();
  InjectedState Held() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace platform::win32
