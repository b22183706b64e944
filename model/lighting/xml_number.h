#pragma once
// Reading the lighting files' numeric attributes.
#include <cstdint>

#include <pugixml.hpp>

namespace model::lighting_detail {

// The attribute as a signed integer, `absent` when it is missing.
int IntAttribute(const pugi::xml_node& node, const char* name, int absent);

// The attribute's integer value cut to its low 8 bits, `absent` when it is missing.
std::uint8_t ByteAttribute(const pugi::xml_node& node, const char* name, std::uint8_t absent);

}  // namespace model::lighting_detail
