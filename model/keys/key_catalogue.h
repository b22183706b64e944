#pragma once
// The static table that gives every known key code its display name (and its PS/2 scan codes).
#include <array>
#include <cstddef>
#include <cstdint>

#include "model/keys/key_code.h"

namespace model {

// Scan-code columns hold this value where a key has no set-1 code.
inline constexpr std::uint32_t kNoScanCode = 0xFFFFFF;

struct KeyInfo {
  std::uint16_t usage;
  std::uint16_t page;
  std::uint32_t makeCode;   // PS/2 scan code set 1; E0-prefixed codes as 0xE0xx
  std::uint32_t breakCode;
  std::uint32_t reserved;
  const wchar_t* name;      // never null

  constexpr KeyCode Code() const { return MakeKeyCode(page, usage); }
};

inline constexpr std::size_t kKeyCatalogueSize = 205;

// All known keys, searched in this order.
extern const std::array<KeyInfo, kKeyCatalogueSize> KeyCatalogue;

// The row for unknown codes: every number 0, name empty.
extern const KeyInfo emptyKeyInfo;

// The first row whose page and usage make up `code`, or emptyKeyInfo. Allocates nothing.
const KeyInfo& FindKey(KeyCode code);

}  // namespace model
