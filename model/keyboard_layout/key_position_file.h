#pragma once
// The key-position file of the keyboard picture: a `positions` element with one child per key
// (id, va, name, color, rect attributes), in drawing and hit-test order.
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "model/keyboard_layout/key_spot.h"

namespace model {

// The file named by the layout, relative to the program's folder. A leading "/" or "\" in the
// layout's text does not make it absolute; backslashes separate folders on every platform.
std::filesystem::path ResolveKeyPositionPath(const std::filesystem::path& programFolder,
                                             std::wstring_view layoutText);

// `color`: blanks and "#" removed, then read as hexadecimal. Empty or not hexadecimal gives the
// default colour.
uint32_t ParseKeyColor(std::string_view text);
// `rect`: "x,y,width,height" (blanks removed). Numbers that do not parse stay 0, numbers beyond
// the 32-bit range saturate, and a negative width or height reads as 0.
KeyRect ParseKeyRect(std::string_view text);

// One spot per child of `positions`; empty when the document has no `positions` element.
std::vector<KeySpot> ReadKeyPositions(const pugi::xml_document& document);
// Loads the file; a missing, unreadable or malformed file gives an empty list.
std::vector<KeySpot> LoadKeyPositions(const std::filesystem::path& path);

}  // namespace model
