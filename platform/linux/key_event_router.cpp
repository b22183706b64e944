#include "platform/linux/key_event_router.h"

#include <linux/input-event-codes.h>

#include "platform/linux/hid_usage_tables.h"

namespace platform::linux_backend {

namespace {
constexpr std::int32_t kKeyUp = 0;
constexpr std::int32_t kKeyDown = 1;
constexpr std::int32_t kKeyRepeat = 2;
}  // namespace

KeyEventBytes MakeKeyEventBytes(std::uint16_t page, std::uint16_t usage, bool down) {
  return {static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8),
          static_cast<std::uint8_t>(page), static_cast<std::uint8_t>(down ? 1 : 0)};
}

void KeyEventRouter::Route(const InputEvent& event, Result& result) {
  const auto passOn = [&] {
    result.passThrough.push_back(event);
    framePassedSomething_ = true;
  };

  if (event.type == EV_MSC && event.code == MSC_SCAN) {
    pendingScan_ = static_cast<std::uint32_t>(event.value);
    return;
  }
  if (event.type == EV_SYN) {
    if (event.code != SYN_REPORT || framePassedSomething_) result.passThrough.push_back(event);
    if (event.code == SYN_REPORT) {
      framePassedSomething_ = false;
      pendingScan_.reset();
    }
    return;
  }
  if (event.type != EV_KEY) {
    passOn();
    return;
  }

  const std::optional<std::uint32_t> scan = pendingScan_;
  pendingScan_.reset();
  const auto heldAt = held_.find(event.code);

  if (event.value == kKeyDown && heldAt == held_.end()) {
    HeldKey key;
    if (scan && HidUsageToEvdev({static_cast<std::uint16_t>(*scan >> 16), static_cast<std::uint16_t>(*scan)})) {
      key.page = static_cast<std::uint16_t>(*scan >> 16);
      key.usage = static_cast<std::uint16_t>(*scan);
    } else if (auto usage = EvdevToHidUsage(event.code)) {
      key.page = usage->page;
      key.usage = usage->usage;
    }
    key.captured = key.page != 0 && captureSet_.Captures(key.page, key.usage);
    held_.emplace(event.code, key);
    if (key.captured) {
      result.captured.push_back(MakeKeyEventBytes(key.page, key.usage, true));
    } else {
      passOn();
    }
    return;
  }

  if (heldAt == held_.end()) {
    // A release or repeat of a key whose press we never saw (held before the grab): the system
    // saw its press, so it must see the rest too.
    passOn();
    return;
  }
  const HeldKey key = heldAt->second;
  if (event.value == kKeyUp) held_.erase(heldAt);
  if (!key.captured) {
    passOn();
  } else if (event.value == kKeyUp) {
    result.captured.push_back(MakeKeyEventBytes(key.page, key.usage, false));
  }
  // A captured key's repeats (kKeyRepeat) and a second press without release are dropped.
  (void)kKeyRepeat;
}

KeyEventRouter::Result KeyEventRouter::Forget() {
  Result result;
  for (const auto& [code, key] : held_) {
    if (key.captured) {
      result.captured.push_back(MakeKeyEventBytes(key.page, key.usage, false));
    } else {
      result.passThrough.push_back(InputEvent{EV_KEY, code, kKeyUp});
    }
  }
  if (!result.passThrough.empty()) result.passThrough.push_back(InputEvent{EV_SYN, SYN_REPORT, 0});
  held_.clear();
  pendingScan_.reset();
  framePassedSomething_ = false;
  return result;
}

}  // namespace platform::linux_backend
