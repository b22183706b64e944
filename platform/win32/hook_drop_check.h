#pragma once
// Tells from raw keyboard input whether the system has dropped the keyboard hook. No OS call and
// no allocation, so the hook procedure can note its calls here.
//
// Every key event reaches the hook before any raw input record of it is handled: Windows calls the
// hook before it posts the record, and a call to the hook, which is a sent message, is taken from
// the thread's queue before a posted record. So a record that finds no recent hook call it could
// stand for shows a key that went past the hook. Each hook call is a credit that one record uses
// up; credits older than `kCreditLifetime` lapse, because Windows makes no record for a key the
// hook kept from the system (Wine does), and such credits would otherwise pile up and hide a drop.
// The check thus compares event by event within the last second and never drifts.
//
// Records that are not keys are skipped: the extra record of an E1 sequence such as Pause
// (virtual key 0xFF) and a keyboard's overrun (make code 0xFF).
#include <array>
#include <chrono>
#include <cstdint>

namespace platform::win32 {

class HookDropCheck {
 public:
  using Microseconds = std::chrono::microseconds;
  static constexpr Microseconds kCreditLifetime{1'000'000};

  // The hook was (re)installed: the credits of the hook before it are gone.
  void Reset();
  // The hook procedure was called, at `now` (any steady clock, the same for every call).
  void HookCalled(Microseconds now);
  // A raw keyboard record was handled at `now`. True when it shows a key that went past the hook.
  bool RecordPassedTheHook(std::uint16_t virtualKey, std::uint16_t makeCode, Microseconds now);

 private:
  // Credits counted per tenth of their lifetime, by the tenth they were given in.
  static constexpr std::size_t kSlots = 10;
  static constexpr Microseconds kSlotLength = kCreditLifetime / kSlots;
  struct Slot {
    std::int64_t tenth = -1;
    std::uint32_t credits = 0;
  };
  std::array<Slot, kSlots> slots_{};
};

}  // namespace platform::win32
