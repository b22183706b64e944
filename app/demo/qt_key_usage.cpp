#include "app/demo/qt_key_usage.h"

#include <unordered_map>

namespace app {

namespace {

// X11 key codes (evdev + 8) of the right-hand modifiers.
constexpr std::uint32_t kX11RightShift = 62;
constexpr std::uint32_t kX11RightControl = 105;
constexpr std::uint32_t kX11RightAlt = 108;
constexpr std::uint32_t kX11RightMeta = 134;

const std::unordered_map<int, std::uint16_t>& MainKeys() {
  static const std::unordered_map<int, std::uint16_t> table = [] {
    std::unordered_map<int, std::uint16_t> keys;
    for (int letter = 0; letter < 26; ++letter) keys[Qt::Key_A + letter] = static_cast<std::uint16_t>(0x04 + letter);
    for (int digit = 1; digit <= 9; ++digit) keys[Qt::Key_0 + digit] = static_cast<std::uint16_t>(0x1E + digit - 1);
    keys[Qt::Key_0] = 0x27;
    // The shifted symbols of the digit row and of the punctuation keys (US layout).
    const int shiftedDigits[] = {Qt::Key_Exclam,     Qt::Key_At,        Qt::Key_NumberSign, Qt::Key_Dollar,
                                 Qt::Key_Percent,    Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                 Qt::Key_ParenLeft,  Qt::Key_ParenRight};
    for (int i = 0; i < 10; ++i) keys[shiftedDigits[i]] = static_cast<std::uint16_t>(0x1E + i);
    const std::pair<int, std::uint16_t> fixed[] = {
        {Qt::Key_Return, 0x28},      {Qt::Key_Enter, 0x28},        {Qt::Key_Escape, 0x29},
        {Qt::Key_Backspace, 0x2A},   {Qt::Key_Tab, 0x2B},          {Qt::Key_Backtab, 0x2B},
        {Qt::Key_Space, 0x2C},       {Qt::Key_Minus, 0x2D},        {Qt::Key_Underscore, 0x2D},
        {Qt::Key_Equal, 0x2E},       {Qt::Key_Plus, 0x2E},         {Qt::Key_BracketLeft, 0x2F},
        {Qt::Key_BraceLeft, 0x2F},   {Qt::Key_BracketRight, 0x30}, {Qt::Key_BraceRight, 0x30},
        {Qt::Key_Backslash, 0x31},   {Qt::Key_Bar, 0x31},          {Qt::Key_Semicolon, 0x33},
        {Qt::Key_Colon, 0x33},       {Qt::Key_Apostrophe, 0x34},   {Qt::Key_QuoteDbl, 0x34},
        {Qt::Key_QuoteLeft, 0x35},   {Qt::Key_AsciiTilde, 0x35},   {Qt::Key_Comma, 0x36},
        {Qt::Key_Less, 0x36},        {Qt::Key_Period, 0x37},       {Qt::Key_Greater, 0x37},
        {Qt::Key_Slash, 0x38},       {Qt::Key_Question, 0x38},     {Qt::Key_CapsLock, 0x39},
        {Qt::Key_Print, 0x46},       {Qt::Key_ScrollLock, 0x47},   {Qt::Key_Pause, 0x48},
        {Qt::Key_Insert, 0x49},      {Qt::Key_Home, 0x4A},         {Qt::Key_PageUp, 0x4B},
        {Qt::Key_Delete, 0x4C},      {Qt::Key_End, 0x4D},          {Qt::Key_PageDown, 0x4E},
        {Qt::Key_Right, 0x4F},       {Qt::Key_Left, 0x50},         {Qt::Key_Down, 0x51},
        {Qt::Key_Up, 0x52},          {Qt::Key_NumLock, 0x53},      {Qt::Key_Menu, 0x65},
        {Qt::Key_Control, 0xE0},     {Qt::Key_Shift, 0xE1},        {Qt::Key_Alt, 0xE2},
        {Qt::Key_Meta, 0xE3},        {Qt::Key_Super_L, 0xE3},      {Qt::Key_Super_R, 0xE7},
        {Qt::Key_AltGr, 0xE6}};
    for (const auto& [key, usage] : fixed) keys[key] = usage;
    for (int f = 0; f < 12; ++f) keys[Qt::Key_F1 + f] = static_cast<std::uint16_t>(0x3A + f);
    for (int f = 0; f < 12; ++f) keys[Qt::Key_F13 + f] = static_cast<std::uint16_t>(0x68 + f);
    return keys;
  }();
  return table;
}

std::optional<std::uint16_t> KeypadUsage(int qtKey) {
  if (qtKey >= Qt::Key_1 && qtKey <= Qt::Key_9) return static_cast<std::uint16_t>(0x59 + (qtKey - Qt::Key_1));
  switch (qtKey) {
    case Qt::Key_0: return 0x62;
    case Qt::Key_Slash: return 0x54;
    case Qt::Key_Asterisk: return 0x55;
    case Qt::Key_Minus: return 0x56;
    case Qt::Key_Plus: return 0x57;
    case Qt::Key_Enter: return 0x58;
    case Qt::Key_Period: return 0x63;
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<std::uint16_t> KeyboardUsageForQtKey(int qtKey, Qt::KeyboardModifiers modifiers,
                                                   std::uint32_t nativeScanCode) {
  if (modifiers.testFlag(Qt::KeypadModifier)) {
    if (const std::optional<std::uint16_t> usage = KeypadUsage(qtKey)) return usage;
  }
  switch (nativeScanCode) {
    case kX11RightShift: return 0xE5;
    case kX11RightControl: return 0xE4;
    case kX11RightAlt: return 0xE6;
    case kX11RightMeta: return 0xE7;
    default: break;
  }
  const auto found = MainKeys().find(qtKey);
  if (found == MainKeys().end()) return std::nullopt;
  return found->second;
}

}  // namespace app
