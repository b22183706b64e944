#pragma once
// Receives clicks on the keys of the keyboard picture.
#include <cstdint>
#include <string>

namespace SOUI {

class ICoordButtonClickListener {
 public:
  virtual ~ICoordButtonClickListener() = default;
  // up: 0 when the button goes down, 1 when it comes up. keyFlags: the mouse event's button and
  // modifier state, passed through. x, y: relative to the control's top-left corner.
  // True means the click was handled and no key mark changes.
  virtual bool OnCoordButtonClick(int32_t id, std::wstring name, int32_t up, uint32_t keyFlags,
                                  int32_t x, int32_t y) = 0;
};

}  // namespace SOUI
