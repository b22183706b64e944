#pragma once
// Reading and writing the numeric and text attributes of the macro and record files.
#include <cstdint>
#include <string>

#include <pugixml.hpp>

namespace model {

// Each appends one attribute: "%d", "%u", lower-case "%x" without prefix, or UTF-8 text.
void AppendSigned(pugi::xml_node node, const char* name, std::int32_t value);
void AppendUnsigned(pugi::xml_node node, const char* name, std::uint32_t value);
void AppendHex(pugi::xml_node node, const char* name, std::uint32_t value);
void AppendText(pugi::xml_node node, const char* name, const std::wstring& value);

// A missing attribute reads as 0 or an empty string; numbers as in number_text.h.
std::int32_t ReadSigned(pugi::xml_node node, const char* name);
std::uint32_t ReadUnsigned(pugi::xml_node node, const char* name);
std::uint32_t ReadHex(pugi::xml_node node, const char* name);
std::wstring ReadText(pugi::xml_node node, const char* name);

// Calls `visit` for every child element of `parent`, in document order, whatever its name.
template <typename Visit>
void ForEachChildElement(pugi::xml_node parent, Visit&& visit) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element) visit(child);
  }
}

}  // namespace model
