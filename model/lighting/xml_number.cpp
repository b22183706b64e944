#include "model/lighting/xml_number.h"

namespace model::lighting_detail {

int IntAttribute(const pugi::xml_node& node, const char* name, int absent) {
  return node.attribute(name).as_int(absent);
}

std::uint8_t ByteAttribute(const pugi::xml_node& node, const char* name, std::uint8_t absent) {
  return static_cast<std::uint8_t>(static_cast<unsigned>(IntAttribute(node, name, absent)) & 0xFFu);
}

}  // namespace model::lighting_detail
