#pragma once
// One clickable key of the keyboard picture and the rectangle it covers.
#include <cstdint>
#include <string>

namespace model {

// A rectangle in control coordinates; the right and bottom edges are exclusive.
struct KeyRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const KeyRect&) const = default;
};

// Colours use the layout red in the lowest byte, then green, blue and alpha in the highest byte,
// so the six-digit default 0xFFFFFF is fully transparent.
inline constexpr uint32_t kDefaultKeyColor = 0xFFFFFF;

struct KeySpot {
  int32_t id = -1;  // HID usage id (low 16 bits of the key code); -1 when the file gives none
  int32_t va = -1;  // HID usage page (high 16 bits of the key code); -1 when the file gives none
  std::wstring name;
  KeyRect rect;
  uint32_t color = kDefaultKeyColor;
  std::wstring label;  // set by the owner: the key's current assignment
  int32_t checked = 0;
  int32_t hover = 0;
  int32_t pressed = 0;
  std::wstring legend;  // the text printed on the key's cap (attribute "legend"); empty when absent

  uint32_t KeyCode() const {
    return (static_cast<uint32_t>(va) << 16) | (static_cast<uint32_t>(id) & 0xFFFFu);
  }
};

}  // namespace model
