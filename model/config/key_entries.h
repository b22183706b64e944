#pragma once
// The media keys and fixed key combinations config.xml offers for key assignment.
#include <cstdint>
#include <string>
#include <vector>

namespace model {

// One media key: a name for the editor's list and the key code it sends.
struct FunKeyEntry {
  std::wstring name;       // never empty
  std::uint32_t code = 0;  // usage page in the upper 16 bits, usage id in the lower 16
  std::wstring path;       // kept as read; nothing uses it
  std::wstring argm;       // kept as read; nothing uses it
};

// One step of a key combination: a keyboard usage id and the delay after it in milliseconds.
struct CombKeyStep {
  std::int32_t key = 0;
  std::int32_t delay = 0;

  friend bool operator==(const CombKeyStep&, const CombKeyStep&) = default;
};

// One function key: a named, fixed key combination.
struct CombKeyEntry {
  std::wstring name;
  std::vector<CombKeyStep> steps;
};

}  // namespace model
