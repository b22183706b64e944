#include "platform/win32/hook_drop_check.h"

namespace platform::win32 {

namespace {
constexpr std::uint16_t kNotAKey = 0xFF;  // virtual key of an E1 sequence's extra record; overrun make code
}  // namespace

void HookDropCheck::Reset() { slots_.fill(Slot{}); }

void HookDropCheck::HookCalled(Microseconds now) {
  const std::int64_t tenth = now / kSlotLength;
  Slot& slot = slots_[static_cast<std::size_t>(tenth) % kSlots];
  if (slot.tenth != tenth) slot = Slot{tenth, 0};
  if (slot.credits != UINT32_MAX) ++slot.credits;
}

bool HookDropCheck::RecordPassedTheHook(std::uint16_t virtualKey, std::uint16_t makeCode, Microseconds now) {
  if (virtualKey == kNotAKey || makeCode == kNotAKey) return false;
  const std::int64_t current = now / kSlotLength;
  // The oldest credit still alive first, so the newest stay for the records still to come.
  for (std::int64_t tenth = current - static_cast<std::int64_t>(kSlots) + 1; tenth <= current; ++tenth) {
    if (tenth < 0) continue;
    Slot& slot = slots_[static_cast<std::size_t>(tenth) % kSlots];
    if (slot.tenth == tenth && slot.credits > 0) {
      --slot.credits;
      return false;
    }
  }
  return true;
}

}  // namespace platform::win32
