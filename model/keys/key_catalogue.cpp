#include "model/keys/key_catalogue.h"

namespace model {
namespace {

constexpr std::uint16_t kSystemPage = 0x01;
constexpr std::uint16_t kKeyboardPage = 0x07;
constexpr std::uint16_t kConsumerPage = 0x0C;

// A key with a set-1 make code; its break code is the make code with bit 7 of the last byte set.
constexpr KeyInfo Key(std::uint16_t page, std::uint16_t usage, std::uint32_t make, const wchar_t* name) {
  return KeyInfo{usage, page, make, make | 0x80u, kNoScanCode, name};
}
// A key whose make code has no matching break code.
constexpr KeyInfo MakeOnly(std::uint16_t page, std::uint16_t usage, std::uint32_t make, const wchar_t* name) {
  return KeyInfo{usage, page, make, kNoScanCode, kNoScanCode, name};
}
// A key without set-1 scan codes.
constexpr KeyInfo NoScan(std::uint16_t page, std::uint16_t usage, const wchar_t* name) {
  return KeyInfo{usage, page, kNoScanCode, kNoScanCode, kNoScanCode, name};
}

constexpr KeyInfo Sys(std::uint16_t usage, std::uint32_t make, const wchar_t* name) {
  return Key(kSystemPage, usage, make, name);
}
constexpr KeyInfo Kb(std::uint16_t usage, std::uint32_t make, const wchar_t* name) {
  return Key(kKeyboardPage, usage, make, name);
}
constexpr KeyInfo KbNone(std::uint16_t usage, const wchar_t* name) {
  return NoScan(kKeyboardPage, usage, name);
}
constexpr KeyInfo Cc(std::uint16_t usage, std::uint32_t make, const wchar_t* name) {
  return Key(kConsumerPage, usage, make, name);
}
constexpr KeyInfo CcNone(std::uint16_t usage, const wchar_t* name) {
  return NoScan(kConsumerPage, usage, name);
}

constexpr auto kRows = std::to_array<KeyInfo>({
    // System controls.
    Sys(0x81, 0xE05E, L"System Power"),
    Sys(0x82, 0xE05F, L"System Sleep"),
    Sys(0x83, 0xE063, L"System Wake"),

    // Keyboard page, usages 0x00 to 0xA4.
    KbNone(0x00, L"No Event"),
    MakeOnly(kKeyboardPage, 0x01, 0xFF, L"Overrun Error"),
    MakeOnly(kKeyboardPage, 0x02, 0xFC, L"POST Fail"),
    KbNone(0x03, L"ErrorUndefined"),
    Kb(0x04, 0x1E, L"A"),
    Kb(0x05, 0x30, L"B"),
    Kb(0x06, 0x2E, L"C"),
    Kb(0x07, 0x20, L"D"),
    Kb(0x08, 0x12, L"E"),
    Kb(0x09, 0x21, L"F"),
    Kb(0x0A, 0x22, L"G"),
    Kb(0x0B, 0x23, L"H"),
    Kb(0x0C, 0x17, L"I"),
    Kb(0x0D, 0x24, L"J"),
    Kb(0x0E, 0x25, L"K"),
    Kb(0x0F, 0x26, L"L"),
    Kb(0x10, 0x32, L"M"),
    Kb(0x11, 0x31, L"N"),
    Kb(0x12, 0x18, L"O"),
    Kb(0x13, 0x19, L"P"),
    Kb(0x14, 0x10, L"Q"),
    Kb(0x15, 0x13, L"R"),
    Kb(0x16, 0x1F, L"S"),
    Kb(0x17, 0x14, L"T"),
    Kb(0x18, 0x16, L"U"),
    Kb(0x19, 0x2F, L"V"),
    Kb(0x1A, 0x11, L"W"),
    Kb(0x1B, 0x2D, L"X"),
    Kb(0x1C, 0x15, L"Y"),
    Kb(0x1D, 0x2C, L"Z"),
    Kb(0x1E, 0x02, L"1"),
    Kb(0x1F, 0x03, L"2"),
    Kb(0x20, 0x04, L"3"),
    Kb(0x21, 0x05, L"4"),
    Kb(0x22, 0x06, L"5"),
    Kb(0x23, 0x07, L"6"),
    Kb(0x24, 0x08, L"7"),
    Kb(0x25, 0x09, L"8"),
    Kb(0x26, 0x0A, L"9"),
    Kb(0x27, 0x0B, L"0"),
    Kb(0x28, 0x1C, L"Return"),
    Kb(0x29, 0x01, L"Escape"),
    Kb(0x2A, 0x0E, L"Backspace"),
    Kb(0x2B, 0x0F, L"Tab"),
    Kb(0x2C, 0x39, L"Space"),
    Kb(0x2D, 0x0C, L"-"),
    Kb(0x2E, 0x0D, L"="),
    Kb(0x2F, 0x1A, L"["),
    Kb(0x30, 0x1B, L"]"),
    Kb(0x31, 0x2B, L"\\"),
    Kb(0x32, 0x2B, L"Europe 1"),
    Kb(0x33, 0x27, L";"),
    Kb(0x34, 0x28, L"'"),
    Kb(0x35, 0x29, L"`"),
    Kb(0x36, 0x33, L","),
    Kb(0x37, 0x34, L"."),
    Kb(0x38, 0x35, L"/"),
    Kb(0x39, 0x3A, L"Caps Lock"),
    Kb(0x3A, 0x3B, L"F1"),
    Kb(0x3B, 0x3C, L"F2"),
    Kb(0x3C, 0x3D, L"F3"),
    Kb(0x3D, 0x3E, L"F4"),
    Kb(0x3E, 0x3F, L"F5"),
    Kb(0x3F, 0x40, L"F6"),
    Kb(0x40, 0x41, L"F7"),
    Kb(0x41, 0x42, L"F8"),
    Kb(0x42, 0x43, L"F9"),
    Kb(0x43, 0x44, L"F10"),
    Kb(0x44, 0x57, L"F11"),
    Kb(0x45, 0x58, L"F12"),
    Kb(0x46, 0xE037, L"Print Screen"),
    Kb(0x47, 0x46, L"Scroll Lock"),
    Kb(0x48, 0xE046, L"Break"),
    Kb(0x49, 0xE052, L"Insert"),
    Kb(0x4A, 0xE047, L"Home"),
    Kb(0x4B, 0xE049, L"Page Up"),
    Kb(0x4C, 0xE053, L"Delete"),
    Kb(0x4D, 0xE04F, L"End"),
    Kb(0x4E, 0xE051, L"Page Down"),
    Kb(0x4F, 0xE04D, L"Right Arrow"),
    Kb(0x50, 0xE04B, L"Left Arrow"),
    Kb(0x51, 0xE050, L"Down Arrow"),
    Kb(0x52, 0xE048, L"Up Arrow"),
    Kb(0x53, 0x45, L"Num Lock"),
    Kb(0x54, 0xE035, L"Keypad /"),
    Kb(0x55, 0x37, L"Keypad *"),
    Kb(0x56, 0x4A, L"Keypad -"),
    Kb(0x57, 0x4E, L"Keypad +"),
    Kb(0x58, 0xE01C, L"Keypad Enter"),
    Kb(0x59, 0x4F, L"Keypad 1"),
    Kb(0x5A, 0x50, L"Keypad 2"),
    Kb(0x5B, 0x51, L"Keypad 3"),
    Kb(0x5C, 0x4B, L"Keypad 4"),
    Kb(0x5D, 0x4C, L"Keypad 5"),
    Kb(0x5E, 0x4D, L"Keypad 6"),
    Kb(0x5F, 0x47, L"Keypad 7"),
    Kb(0x60, 0x48, L"Keypad 8"),
    Kb(0x61, 0x49, L"Keypad 9"),
    Kb(0x62, 0x52, L"Keypad 0"),
    Kb(0x63, 0x53, L"Keypad ."),
    Kb(0x64, 0x56, L"Europe 2"),
    Kb(0x65, 0xE05D, L"App"),
    Kb(0x66, 0xE05E, L"Power"),
    Kb(0x67, 0x59, L"Keypad ="),
    Kb(0x68, 0x64, L"F13"),
    Kb(0x69, 0x65, L"F14"),
    Kb(0x6A, 0x66, L"F15"),
    Kb(0x6B, 0x67, L"F16"),
    Kb(0x6C, 0x68, L"F17"),
    Kb(0x6D, 0x69, L"F18"),
    Kb(0x6E, 0x6A, L"F19"),
    Kb(0x6F, 0x6B, L"F20"),
    Kb(0x70, 0x6C, L"F21"),
    Kb(0x71, 0x6D, L"F22"),
    Kb(0x72, 0x6E, L"F23"),
    Kb(0x73, 0x76, L"F24"),
    KbNone(0x74, L"Execute"),
    KbNone(0x75, L"Help"),
    KbNone(0x76, L"Menu"),
    KbNone(0x77, L"Select"),
    KbNone(0x78, L"Stop"),
    KbNone(0x79, L"Again"),
    KbNone(0x7A, L"Undo"),
    KbNone(0x7B, L"Cut"),
    KbNone(0x7C, L"Copy"),
    KbNone(0x7D, L"Paste"),
    KbNone(0x7E, L"Find"),
    KbNone(0x7F, L"Mute"),
    KbNone(0x80, L"Volume Up"),
    KbNone(0x81, L"Volume Dn"),
    KbNone(0x82, L"Locking Caps Lock"),
    KbNone(0x83, L"Locking Num Lock"),
    KbNone(0x84, L"Locking Scroll Lock"),
    Kb(0x85, 0x7E, L"Keypad , "),
    KbNone(0x86, L"Equal Sign"),
    Kb(0x87, 0x73, L"Int'l 1"),
    Kb(0x88, 0x70, L"Intl'2"),
    Kb(0x89, 0x7D, L"Int'l 3"),
    Kb(0x8A, 0x79, L"Int'l 4"),
    Kb(0x8B, 0x7B, L"Int'l 5"),
    Kb(0x8C, 0x5C, L"Int'l 6"),
    KbNone(0x8D, L"Int'l 7"),
    KbNone(0x8E, L"Int'l 8"),
    KbNone(0x8F, L"Int'l 9"),
    MakeOnly(kKeyboardPage, 0x90, 0xF2, L"Lang 1"),
    MakeOnly(kKeyboardPage, 0x91, 0xF1, L"Lang 2"),
    Kb(0x92, 0x78, L"Lang 3"),
    Kb(0x93, 0x77, L"Lang 4"),
    Kb(0x94, 0x76, L"Lang 5"),
    KbNone(0x95, L"Lang 6"),
    KbNone(0x96, L"Lang 7"),
    KbNone(0x97, L"Lang 8"),
    KbNone(0x98, L"Lang 9"),
    KbNone(0x99, L"Alternate Erase"),
    KbNone(0x9A, L"SysReq Attention"),
    KbNone(0x9B, L"Cancel"),
    KbNone(0x9C, L"Clear"),
    KbNone(0x9D, L"Prior"),
    KbNone(0x9E, L"Return"),
    KbNone(0x9F, L"Separator"),
    KbNone(0xA0, L"Out"),
    KbNone(0xA1, L"Oper"),
    KbNone(0xA2, L"Clear Again"),
    KbNone(0xA3, L"CrSel Props"),
    KbNone(0xA4, L"ExSel"),

    // Keyboard page, modifiers.
    Kb(0xE0, 0x1D, L"Left Control"),
    Kb(0xE1, 0x2A, L"Left Shift"),
    Kb(0xE2, 0x38, L"Left Alt"),
    Kb(0xE3, 0xE05B, L"Left GUI"),
    Kb(0xE4, 0xE01D, L"Right Control"),
    Kb(0xE5, 0x36, L"Right Shift"),
    Kb(0xE6, 0xE038, L"Right Alt"),
    Kb(0xE7, 0xE05C, L"Right GUI"),

    // Consumer controls.
    Cc(0xB5, 0xE019, L"Scan Next Track"),
    Cc(0xB6, 0xE010, L"Scan Previous Track"),
    Cc(0xB7, 0xE024, L"Stop"),
    Cc(0xCD, 0xE022, L"Play Pause"),
    Cc(0xE2, 0xE020, L"Mute"),
    CcNone(0xE5, L"Bass Boost"),
    CcNone(0xE7, L"Loudness"),
    Cc(0xE9, 0xE030, L"Volume Up"),
    Cc(0xEA, 0xE02E, L"Volume Down"),
    CcNone(0x152, L"Bass Up"),
    CcNone(0x153, L"Bass Down"),
    CcNone(0x154, L"Treble Up"),
    CcNone(0x155, L"Treble Down"),
    Cc(0x183, 0xE06D, L"Media Select"),
    Cc(0x18A, 0xE06C, L"Mail"),
    Cc(0x192, 0xE021, L"Calculator"),
    Cc(0x194, 0xE06B, L"My Computer"),
    Cc(0x221, 0xE065, L"WWW Search"),
    Cc(0x223, 0xE032, L"WWW Home"),
    Cc(0x224, 0xE06A, L"WWW Back"),
    Cc(0x225, 0xE069, L"WWW Forward"),
    Cc(0x226, 0xE068, L"WWW Stop"),
    Cc(0x227, 0xE067, L"WWW Refresh"),
    Cc(0x22A, 0xE066, L"WWW Favorites"),

    // Mouse buttons, in the system's own coding (page 0x01, usages 1 to 5).
    NoScan(kSystemPage, 0x01, L"Mouse Left"),
    NoScan(kSystemPage, 0x02, L"Mouse Middle"),
    NoScan(kSystemPage, 0x03, L"Mouse Right"),
    NoScan(kSystemPage, 0x04, L"Mouse Left Side"),
    NoScan(kSystemPage, 0x05, L"Mouse Right Side"),
});

static_assert(kRows.size() == kKeyCatalogueSize, "one row per known key");

}  // namespace

extern const KeyInfo emptyKeyInfo = KeyInfo{0, 0, 0, 0, 0, L""};

extern const std::array<KeyInfo, kKeyCatalogueSize> KeyCatalogue = kRows;

const KeyInfo& FindKey(KeyCode code) {
  const std::uint16_t page = KeyPage(code);
  const std::uint16_t usage = KeyUsage(code);
  for (const KeyInfo& row : KeyCatalogue) {
    if (row.page == page && row.usage == usage) return row;
  }
  return emptyKeyInfo;
}

}  // namespace model
