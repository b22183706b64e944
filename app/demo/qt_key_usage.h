#pragma once
// Which HID keyboard key (usage page 7) a Qt key event stands for, for the demo's emulated key
// filter, which is fed from the keys typed into the program's windows.
#include <cstdint>
#include <optional>

#include <Qt>

namespace app {

inline constexpr std::uint16_t kKeyboardUsagePage = 0x07;

// qtKey: QKeyEvent::key(); modifiers: QKeyEvent::modifiers() (only the keypad flag is looked
// at); nativeScanCode: QKeyEvent::nativeScanCode() (on X11 the evdev code + 8, which tells the
// right-hand modifier keys apart; 0 when unknown). Nothing for keys without a keyboard usage.
std::optional<std::uint16_t> KeyboardUsageForQtKey(int qtKey, Qt::KeyboardModifiers modifiers,
                                                   std::uint32_t nativeScanCode);

}  // namespace app
