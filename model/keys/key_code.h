#pragma once
// The program's one identifier of a key: HID usage page in the upper 16 bits, usage id below.
#include <cstdint>

namespace model {

using KeyCode = std::uint32_t;

constexpr KeyCode MakeKeyCode(std::uint16_t page, std::uint16_t usage) {
  return (static_cast<KeyCode>(page) << 16) | usage;
}
constexpr std::uint16_t KeyPage(KeyCode code) { return static_cast<std::uint16_t>(code >> 16); }
constexpr std::uint16_t KeyUsage(KeyCode code) { return static_cast<std::uint16_t>(code & 0xFFFF); }

}  // namespace model
