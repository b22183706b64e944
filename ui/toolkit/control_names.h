#pragma once
// The fixed table of control names and numeric IDs. Layouts declare controls by name; the loader
// stamps each named control with its ID so code can find controls and tell senders apart by either.
#include <optional>
#include <span>
#include <string_view>

namespace ui {

struct ControlName {
  std::string_view name;
  int id;
};

// The 69 pairs, sorted by name in ordinal character order.
std::span<const ControlName> ControlNameTable();
std::optional<int> ControlIdForName(std::string_view name);
std::optional<std::string_view> ControlNameForId(int id);

}  // namespace ui
