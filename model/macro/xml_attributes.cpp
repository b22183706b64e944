#include "model/macro/xml_attributes.h"

#include "model/macro/number_text.h"
#include "support/text.h"

namespace model {
namespace {

void Append(pugi::xml_node node, const char* name, const std::string& text) {
  node.append_attribute(name).set_value(text.c_str());
}

}  // namespace

void AppendSigned(pugi::xml_node node, const char* name, std::int32_t value) {
  Append(node, name, support::Format("%d", static_cast<int>(value)));
}

void AppendUnsigned(pugi::xml_node node, const char* name, std::uint32_t value) {
  Append(node, name, support::Format("%u", static_cast<unsigned>(value)));
}

void AppendHex(pugi::xml_node node, const char* name, std::uint32_t value) {
  Append(node, name, support::Format("%x", static_cast<unsigned>(value)));
}

void AppendText(pugi::xml_node node, const char* name, const std::wstring& value) {
  Append(node, name, support::WideToUtf8(value));
}

std::int32_t ReadSigned(pugi::xml_node node, const char* name) {
  return ParseSignedDecimal(node.attribute(name).value());
}

std::uint32_t ReadUnsigned(pugi::xml_node node, const char* name) {
  return ParseUnsignedDecimal(node.attribute(name).value());
}

std::uint32_t ReadHex(pugi::xml_node node, const char* name) { return ParseHex(node.attribute(name).value()); }

std::wstring ReadText(pugi::xml_node node, const char* name) {
  return support::Utf8ToWide(node.attribute(name).value());
}

}  // namespace model
