#include "platform/win32/win_key_table.h"

namespace platform::win32 {

namespace {

using Source = VirtualKeySource;

constexpr WinKey Fixed(std::uint16_t page, std::uint16_t usage, std::uint16_t scan, std::uint8_t virtualKey) {
  return WinKey{page, usage, static_cast<std::uint8_t>(scan & 0xFF), (scan >> 8) == 0xE0, virtualKey, 0, Source::kFixed};
}
constexpr WinKey Kb(std::uint16_t usage, std::uint16_t scan, std::uint8_t virtualKey) {
  return Fixed(kKeyboardPage, usage, scan, virtualKey);
}
constexpr WinKey Layout(std::uint16_t usage, std::uint8_t scan, std::uint8_t usVirtualKey) {
  return WinKey{kKeyboardPage, usage, scan, false, usVirtualKey, 0, Source::kLayout};
}
constexpr WinKey Keypad(std::uint16_t usage, std::uint8_t scan, std::uint8_t numLockOn, std::uint8_t numLockOff) {
  return WinKey{kKeyboardPage, usage, scan, false, numLockOn, numLockOff, Source::kKeypad};
}
constexpr WinKey Media(std::uint16_t usage, std::uint16_t scan, std::uint8_t virtualKey) {
  return Fixed(kConsumerPage, usage, scan, virtualKey);
}
constexpr WinKey System(std::uint16_t usage, std::uint16_t scan, std::uint8_t virtualKey) {
  return Fixed(kGenericDesktopPage, usage, scan, virtualKey);
}

// In the order of preference of the reverse direction: consumer, system control, keyboard page,
// then the keys Windows reports in a second form.
constexpr auto kKeys = std::to_array<WinKey>({
    // Consumer page: the keys Windows has virtual keys for.
    Media(0x0B5, 0xE019, 0xB0),  // Scan Next Track: VK_MEDIA_NEXT_TRACK
    Media(0x0B6, 0xE010, 0xB1),  // Scan Previous Track: VK_MEDIA_PREV_TRACK
    Media(0x0B7, 0xE024, 0xB2),  // Stop: VK_MEDIA_STOP
    Media(0x0CD, 0xE022, 0xB3),  // Play Pause: VK_MEDIA_PLAY_PAUSE
    Media(0x0E2, 0xE020, 0xAD),  // Mute: VK_VOLUME_MUTE
    Media(0x0E9, 0xE030, 0xAF),  // Volume Up: VK_VOLUME_UP
    Media(0x0EA, 0xE02E, 0xAE),  // Volume Down: VK_VOLUME_DOWN
    Media(0x183, 0xE06D, 0xB5),  // Media Select: VK_LAUNCH_MEDIA_SELECT
    Media(0x18A, 0xE06C, 0xB4),  // Mail: VK_LAUNCH_MAIL
    Media(0x192, 0xE021, 0xB7),  // Calculator: VK_LAUNCH_APP2
    Media(0x194, 0xE06B, 0xB6),  // My Computer: VK_LAUNCH_APP1
    Media(0x221, 0xE065, 0xAA),  // WWW Search: VK_BROWSER_SEARCH
    Media(0x223, 0xE032, 0xAC),  // WWW Home: VK_BROWSER_HOME
    Media(0x224, 0xE06A, 0xA6),  // WWW Back: VK_BROWSER_BACK
    Media(0x225, 0xE069, 0xA7),  // WWW Forward: VK_BROWSER_FORWARD
    Media(0x226, 0xE068, 0xA9),  // WWW Stop: VK_BROWSER_STOP
    Media(0x227, 0xE067, 0xA8),  // WWW Refresh: VK_BROWSER_REFRESH
    Media(0x22A, 0xE066, 0xAB),  // WWW Favorites: VK_BROWSER_FAVORITES

    // System controls (the virtual device turns them into power actions, not keys).
    System(0x81, 0xE05E, 0x00),  // System Power
    System(0x82, 0xE05F, 0x5F),  // System Sleep: VK_SLEEP
    System(0x83, 0xE063, 0x00),  // System Wake

    // Keyboard page: letters A-Z.
    Layout(0x04, 0x1E, 'A'), Layout(0x05, 0x30, 'B'), Layout(0x06, 0x2E, 'C'), Layout(0x07, 0x20, 'D'),
    Layout(0x08, 0x12, 'E'), Layout(0x09, 0x21, 'F'), Layout(0x0A, 0x22, 'G'), Layout(0x0B, 0x23, 'H'),
    Layout(0x0C, 0x17, 'I'), Layout(0x0D, 0x24, 'J'), Layout(0x0E, 0x25, 'K'), Layout(0x0F, 0x26, 'L'),
    Layout(0x10, 0x32, 'M'), Layout(0x11, 0x31, 'N'), Layout(0x12, 0x18, 'O'), Layout(0x13, 0x19, 'P'),
    Layout(0x14, 0x10, 'Q'), Layout(0x15, 0x13, 'R'), Layout(0x16, 0x1F, 'S'), Layout(0x17, 0x14, 'T'),
    Layout(0x18, 0x16, 'U'), Layout(0x19, 0x2F, 'V'), Layout(0x1A, 0x11, 'W'), Layout(0x1B, 0x2D, 'X'),
    Layout(0x1C, 0x15, 'Y'), Layout(0x1D, 0x2C, 'Z'),
    // Digits 1-9, 0.
    Layout(0x1E, 0x02, '1'), Layout(0x1F, 0x03, '2'), Layout(0x20, 0x04, '3'), Layout(0x21, 0x05, '4'),
    Layout(0x22, 0x06, '5'), Layout(0x23, 0x07, '6'), Layout(0x24, 0x08, '7'), Layout(0x25, 0x09, '8'),
    Layout(0x26, 0x0A, '9'), Layout(0x27, 0x0B, '0'),
    Kb(0x28, 0x1C, 0x0D),  // Return: VK_RETURN
    Kb(0x29, 0x01, 0x1B),  // Escape
    Kb(0x2A, 0x0E, 0x08),  // Backspace: VK_BACK
    Kb(0x2B, 0x0F, 0x09),  // Tab
    Kb(0x2C, 0x39, 0x20),  // Space
    Layout(0x2D, 0x0C, 0xBD),  // - : VK_OEM_MINUS
    Layout(0x2E, 0x0D, 0xBB),  // = : VK_OEM_PLUS
    Layout(0x2F, 0x1A, 0xDB),  // [ : VK_OEM_4
    Layout(0x30, 0x1B, 0xDD),  // ] : VK_OEM_6
    Layout(0x31, 0x2B, 0xDC),  // \ : VK_OEM_5
    Layout(0x32, 0x2B, 0xDC),  // Europe 1 (the same key position)
    Layout(0x33, 0x27, 0xBA),  // ; : VK_OEM_1
    Layout(0x34, 0x28, 0xDE),  // ' : VK_OEM_7
    Layout(0x35, 0x29, 0xC0),  // ` : VK_OEM_3
    Layout(0x36, 0x33, 0xBC),  // , : VK_OEM_COMMA
    Layout(0x37, 0x34, 0xBE),  // . : VK_OEM_PERIOD
    Layout(0x38, 0x35, 0xBF),  // / : VK_OEM_2
    Kb(0x39, 0x3A, 0x14),      // Caps Lock: VK_CAPITAL
    // F1-F12: VK_F1-VK_F12.
    Kb(0x3A, 0x3B, 0x70), Kb(0x3B, 0x3C, 0x71), Kb(0x3C, 0x3D, 0x72), Kb(0x3D, 0x3E, 0x73),
    Kb(0x3E, 0x3F, 0x74), Kb(0x3F, 0x40, 0x75), Kb(0x40, 0x41, 0x76), Kb(0x41, 0x42, 0x77),
    Kb(0x42, 0x43, 0x78), Kb(0x43, 0x44, 0x79), Kb(0x44, 0x57, 0x7A), Kb(0x45, 0x58, 0x7B),
    Kb(0x46, 0xE037, 0x2C),  // Print Screen: VK_SNAPSHOT
    Kb(0x47, 0x0046, 0x91),  // Scroll Lock: VK_SCROLL
    Kb(0x48, 0x0045, 0x13),  // Pause (Windows' form of E1 1D 45): VK_PAUSE
    Kb(0x49, 0xE052, 0x2D),  // Insert
    Kb(0x4A, 0xE047, 0x24),  // Home
    Kb(0x4B, 0xE049, 0x21),  // Page Up: VK_PRIOR
    Kb(0x4C, 0xE053, 0x2E),  // Delete
    Kb(0x4D, 0xE04F, 0x23),  // End
    Kb(0x4E, 0xE051, 0x22),  // Page Down: VK_NEXT
    Kb(0x4F, 0xE04D, 0x27),  // Right Arrow
    Kb(0x50, 0xE04B, 0x25),  // Left Arrow
    Kb(0x51, 0xE050, 0x28),  // Down Arrow
    Kb(0x52, 0xE048, 0x26),  // Up Arrow
    Kb(0x53, 0xE045, 0x90),  // Num Lock (Windows reports it extended): VK_NUMLOCK
    Kb(0x54, 0xE035, 0x6F),  // Keypad /: VK_DIVIDE
    Kb(0x55, 0x0037, 0x6A),  // Keypad *: VK_MULTIPLY
    Kb(0x56, 0x004A, 0x6D),  // Keypad -: VK_SUBTRACT
    Kb(0x57, 0x004E, 0x6B),  // Keypad +: VK_ADD
    Kb(0x58, 0xE01C, 0x0D),  // Keypad Enter: VK_RETURN
    // Keypad 1-9, 0, . : VK_NUMPADn / VK_DECIMAL, and with Num Lock off the navigation keys.
    Keypad(0x59, 0x4F, 0x61, 0x23), Keypad(0x5A, 0x50, 0x62, 0x28), Keypad(0x5B, 0x51, 0x63, 0x22),
    Keypad(0x5C, 0x4B, 0x64, 0x25), Keypad(0x5D, 0x4C, 0x65, 0x0C), Keypad(0x5E, 0x4D, 0x66, 0x27),
    Keypad(0x5F, 0x47, 0x67, 0x24), Keypad(0x60, 0x48, 0x68, 0x26), Keypad(0x61, 0x49, 0x69, 0x21),
    Keypad(0x62, 0x52, 0x60, 0x2D), Keypad(0x63, 0x53, 0x6E, 0x2E),
    Layout(0x64, 0x56, 0xE2),  // Europe 2: VK_OEM_102
    Kb(0x65, 0xE05D, 0x5D),    // App: VK_APPS
    Kb(0x66, 0xE05E, 0x00),    // Power
    Layout(0x67, 0x59, 0x00),  // Keypad =
    // F13-F24: VK_F13-VK_F24.
    Kb(0x68, 0x64, 0x7C), Kb(0x69, 0x65, 0x7D), Kb(0x6A, 0x66, 0x7E), Kb(0x6B, 0x67, 0x7F),
    Kb(0x6C, 0x68, 0x80), Kb(0x6D, 0x69, 0x81), Kb(0x6E, 0x6A, 0x82), Kb(0x6F, 0x6B, 0x83),
    Kb(0x70, 0x6C, 0x84), Kb(0x71, 0x6D, 0x85), Kb(0x72, 0x6E, 0x86), Kb(0x73, 0x76, 0x87),
    // Keys without a scan code that Windows has virtual keys for.
    Kb(0x74, 0x0000, 0x2B),  // Execute: VK_EXECUTE
    Kb(0x75, 0x0000, 0x2F),  // Help: VK_HELP
    Kb(0x77, 0x0000, 0x29),  // Select: VK_SELECT
    // The keyboard page's media keys type as the consumer keys do.
    Kb(0x7F, 0xE020, 0xAD),  // Mute
    Kb(0x80, 0xE030, 0xAF),  // Volume Up
    Kb(0x81, 0xE02E, 0xAE),  // Volume Dn
    // International and language keys: their meaning comes from the layout.
    Layout(0x85, 0x7E, 0xC2),  // Keypad , (Brazilian keypad point)
    Layout(0x87, 0x73, 0xC1),  // Int'l 1 (Ro)
    Layout(0x88, 0x70, 0x15),  // Int'l 2 (Katakana/Hiragana)
    Layout(0x89, 0x7D, 0x00),  // Int'l 3 (Yen)
    Layout(0x8A, 0x79, 0x1C),  // Int'l 4 (Henkan): VK_CONVERT
    Layout(0x8B, 0x7B, 0x1D),  // Int'l 5 (Muhenkan): VK_NONCONVERT
    Layout(0x8C, 0x5C, 0x00),  // Int'l 6
    Layout(0x90, 0xF2, 0x15),  // Lang 1 (Hangul)
    Layout(0x91, 0xF1, 0x19),  // Lang 2 (Hanja)
    Layout(0x92, 0x78, 0x00),  // Lang 3
    Layout(0x93, 0x77, 0x00),  // Lang 4
    Layout(0x94, 0x76, 0x00),  // Lang 5
    // Modifiers: left/right virtual keys.
    Kb(0xE0, 0x001D, 0xA2), Kb(0xE1, 0x002A, 0xA0), Kb(0xE2, 0x0038, 0xA4), Kb(0xE3, 0xE05B, 0x5B),
    Kb(0xE4, 0xE01D, 0xA3), Kb(0xE5, 0x0036, 0xA1), Kb(0xE6, 0xE038, 0xA5), Kb(0xE7, 0xE05C, 0x5C),

    // Second forms, for the reverse direction only (the usage finds the first form above).
    Kb(0x48, 0xE046, 0x03),  // Ctrl+Pause: VK_CANCEL with E046
    Kb(0x46, 0x0054, 0x2C),  // Alt+Print Screen: scan 0x54
});
static_assert(kKeys.size() == kWinKeyCount, "kWinKeyCount counts the table");

constexpr std::size_t kScanSlots = 512;  // scan code | extended << 8

constexpr void Append(UsageCandidates& list, WinKeyIndex index) {
  if (list.count < list.keys.size()) list.keys[list.count++] = index;
}

constexpr std::array<UsageCandidates, kScanSlots> BuildScanIndex() {
  std::array<UsageCandidates, kScanSlots> index{};
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (kKeys[i].scanCode == 0) continue;
    Append(index[kKeys[i].scanCode | (kKeys[i].extended ? 0x100u : 0u)], static_cast<WinKeyIndex>(i));
  }
  return index;
}

// Keypad keys also answer to their Num Lock off virtual key, after every key that has it first.
constexpr std::array<UsageCandidates, 256> BuildVirtualKeyIndex() {
  std::array<UsageCandidates, 256> index{};
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (kKeys[i].virtualKey != 0) Append(index[kKeys[i].virtualKey], static_cast<WinKeyIndex>(i));
  }
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (kKeys[i].numLockOffKey != 0) Append(index[kKeys[i].numLockOffKey], static_cast<WinKeyIndex>(i));
  }
  return index;
}

// Keyboard usage -> key, and whether the usage has one.
struct KeyboardIndex {
  std::array<WinKeyIndex, 256> key{};
  std::array<bool, 256> present{};
};

constexpr KeyboardIndex BuildKeyboardIndex() {
  KeyboardIndex index{};
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (kKeys[i].page != kKeyboardPage || index.present[kKeys[i].usage]) continue;
    index.key[kKeys[i].usage] = static_cast<WinKeyIndex>(i);
    index.present[kKeys[i].usage] = true;
  }
  return index;
}

constexpr std::array<UsageCandidates, kScanSlots> kByScan = BuildScanIndex();
constexpr std::array<UsageCandidates, 256> kByVirtualKey = BuildVirtualKeyIndex();
constexpr KeyboardIndex kByKeyboardUsage = BuildKeyboardIndex();

}  // namespace

const WinKey& WinKeyAt(WinKeyIndex index) { return kKeys[index < kKeys.size() ? index : 0]; }

std::optional<WinKeyIndex> FindWinKey(std::uint16_t page, std::uint16_t usage) {
  if (page == kKeyboardPage) {
    const std::uint8_t low = static_cast<std::uint8_t>(usage);
    if (!kByKeyboardUsage.present[low]) return std::nullopt;
    return kByKeyboardUsage.key[low];
  }
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (kKeys[i].page == page && kKeys[i].usage == usage) return static_cast<WinKeyIndex>(i);
  }
  return std::nullopt;
}

UsageCandidates UsagesOfKey(std::uint8_t virtualKey, std::uint32_t scanCode, bool extended) {
  if (virtualKey == kPacketVirtualKey || scanCode > 0xFF) return {};
  if (scanCode != 0) return kByScan[scanCode | (extended ? 0x100u : 0u)];
  return kByVirtualKey[virtualKey];
}

KeyForms FormsOfVirtualKey(std::uint8_t virtualKey, std::uint32_t layoutScan) {
  KeyForms found;
  const auto add = [&found](KeyForm form) {
    for (std::uint8_t i = 0; i < found.count; ++i) {
      if (found.forms[i] == form) return;
    }
    if (found.count < found.forms.size()) found.forms[found.count++] = form;
  };
  const UsageCandidates& keys = kByVirtualKey[virtualKey];
  for (std::uint8_t i = 0; i < keys.count; ++i) {
    const WinKey& key = kKeys[keys.keys[i]];
    // A layout key's virtual key in the table is the US layout's: the layout in use says below.
    if (key.source != Source::kLayout) add(KeyForm{key.scanCode, key.extended});
  }
  const std::uint32_t prefix = layoutScan >> 8;
  if ((layoutScan & 0xFF) != 0 && (prefix == 0 || prefix == 0xE0)) {
    add(KeyForm{static_cast<std::uint8_t>(layoutScan & 0xFF), prefix == 0xE0});
  }
  return found;
}

}  // namespace platform::win32
