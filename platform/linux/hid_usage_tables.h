#pragma once
// HID usages <-> Linux input key codes.
//
// HID -> evdev follows the kernel's HID input layer: the keyboard page uses the hid_keyboard[]
// table of drivers/hid/hid-input.c, the consumer and generic-desktop system-control pages the
// usages that layer maps to keys.
//
// evdev -> HID is not one-to-one (0x31 and 0x32 both give KEY_BACKSLASH; Mute, Volume Up/Down,
// Stop and Find exist on the keyboard and the consumer page). The reverse table therefore follows
// one rule: standard keyboard usages (0x00-0xE7) first, then consumer usages, then system-control
// usages, then the keyboard page's reserved range 0xE8-0xFF that the kernel maps for old
// keyboards; inside one of these groups the lowest usage wins. So KEY_BACKSLASH -> (0x07, 0x31),
// KEY_MUTE -> (0x07, 0x7F), KEY_PLAYPAUSE -> (0x0C, 0xCD).
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::linux_backend {

inline constexpr std::uint16_t kKeyboardPage = 0x07;
inline constexpr std::uint16_t kConsumerPage = 0x0C;
inline constexpr std::uint16_t kGenericDesktopPage = 0x01;

struct HidUsage {
  std::uint16_t page = 0;
  std::uint16_t usage = 0;
  friend bool operator==(const HidUsage&, const HidUsage&) = default;
};

// Key code of a usage on the keyboard (0x07), consumer (0x0C) or generic-desktop system-control
// (0x01, usages 0x81-0x83) page; nothing when the kernel maps it to no key.
std::optional<std::uint16_t> HidUsageToEvdev(HidUsage usage);

// The usage a key code stands for, by the rule above; nothing for codes no usage maps to.
std::optional<HidUsage> EvdevToHidUsage(std::uint16_t code);

// Every (usage, key code) pair of the forward table, keyboard page first (for tests and tools).
std::vector<std::pair<HidUsage, std::uint16_t>> AllHidKeyMappings();

}  // namespace platform::linux_backend
