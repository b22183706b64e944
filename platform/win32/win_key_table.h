#pragma once
// HID usages <-> Windows keys, both ways: the keyboard page (0x07), the consumer keys Windows has
// virtual keys for (0x0C) and the three system controls (0x01, 0x81-0x83). No OS call.
//
// Scan codes are the ones a window sees in WM_KEYDOWN and a low-level keyboard hook in
// KBDLLHOOKSTRUCT: scan code set 1 (Microsoft's USB HID to PS/2 translation table), the E0 prefix
// as the extended flag. Windows reports two keys otherwise than that table: Pause comes as scan
// 0x45 without the flag (its E1 1D 45 sequence), Num Lock as 0x45 with it.
//
// Virtual keys: where the key's meaning follows the keyboard layout (letters, digits,
// punctuation, the international keys) the table's virtual key is the US layout's and the layout
// in use decides (kLayout); keys whose virtual key is the same on every layout carry it (kFixed);
// keypad digits and the decimal point carry one virtual key for Num Lock on and one for off.
//
// The reverse direction is not one-to-one: "\" (0x31) and "Europe 1" (0x32) share scan 0x2B, the
// media keys exist on the consumer and the keyboard page, "Power" (0x07 0x66) and "System Power"
// share E05E. A key therefore stands for a short list of usages, best first: consumer before
// system control before keyboard, and inside a page the lower usage first. Ctrl+Pause (E046,
// VK_CANCEL) and Alt+Print Screen (0x54) are the keys Pause and Print Screen.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform::win32 {

inline constexpr std::uint16_t kKeyboardPage = 0x07;
inline constexpr std::uint16_t kConsumerPage = 0x0C;
inline constexpr std::uint16_t kGenericDesktopPage = 0x01;

enum class VirtualKeySource : std::uint8_t {
  kFixed,   // `virtualKey` on every layout
  kLayout,  // the layout in use maps the scan code; `virtualKey` is the US layout's
  kKeypad,  // `virtualKey` with Num Lock on, `numLockOffKey` with it off
};

struct WinKey {
  std::uint16_t page = 0;
  std::uint16_t usage = 0;
  std::uint8_t scanCode = 0;  // 0: the key has no scan code, only a virtual key
  bool extended = false;      // the E0 prefix
  std::uint8_t virtualKey = 0;
  std::uint8_t numLockOffKey = 0;
  VirtualKeySource source = VirtualKeySource::kFixed;

  // Whether the key can be typed with SendInput: it has a virtual key or a scan code.
  bool Typeable() const { return virtualKey != 0 || scanCode != 0; }
  bool IsModifier() const { return page == kKeyboardPage && usage >= 0xE0 && usage <= 0xE7; }
};

// Index of a key in the table (stable for the program's run).
using WinKeyIndex = std::uint16_t;
inline constexpr std::size_t kWinKeyCount = 161;

const WinKey& WinKeyAt(WinKeyIndex index);
// The key of a usage; nothing for a usage Windows has no key for. On the keyboard page only the
// low 8 bits of `usage` count.
std::optional<WinKeyIndex> FindWinKey(std::uint16_t page, std::uint16_t usage);

// The usages a key stands for, best first.
struct UsageCandidates {
  std::array<WinKeyIndex, 3> keys{};
  std::uint8_t count = 0;
  bool empty() const { return count == 0; }
  WinKeyIndex front() const { return keys[0]; }
};

// What a key the system reports (hook or window message) stands for. With a scan code (at most
// 0xFF; larger ones are the system's fake keys) the scan code decides, so the answer does not
// depend on the layout; without one (a key typed by a program by its virtual key alone) the
// virtual key decides, read as on the US layout. VK_PACKET stands for no key: its "scan code" is
// a UTF-16 unit of the character it carries.
UsageCandidates UsagesOfKey(std::uint8_t virtualKey, std::uint32_t scanCode, bool extended);

inline constexpr std::uint8_t kPacketVirtualKey = 0xE7;  // VK_PACKET

// One way a key is reported: scan code (0: none, the virtual key names it) and extended flag.
struct KeyForm {
  std::uint8_t scanCode = 0;
  bool extended = false;
  friend bool operator==(const KeyForm&, const KeyForm&) = default;
};

struct KeyForms {
  std::array<KeyForm, 4> forms{};
  std::uint8_t count = 0;
};

// The keys that may be down when the system says `virtualKey` is: a virtual key does not tell
// Enter from keypad Enter, nor End from keypad 1 with Num Lock off. These are the table's keys
// with that virtual key on every layout or with Num Lock off, and the key the layout in use gives
// it: `layoutScan` as MapVirtualKey's MAPVK_VK_TO_VSC_EX answers (E0 in the high byte for an
// extended key; an E1 form such as Pause's E11D is not how a hook sees the key and is left out).
KeyForms FormsOfVirtualKey(std::uint8_t virtualKey, std::uint32_t layoutScan);

}  // namespace platform::win32
