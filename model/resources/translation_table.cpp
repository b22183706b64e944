#include "model/resources/translation_table.h"

#include <pugixml.hpp>

namespace model {

std::optional<TranslationTable> ParseTranslationTable(std::string_view bytes, std::string& error) {
  pugi::xml_document document;
  if (!document.load_buffer(bytes.data(), bytes.size())) {
    error = "not well-formed XML";
    return std::nullopt;
  }
  const pugi::xml_node language = document.child("language");
  if (!language) {
    error = "no language element";
    return std::nullopt;
  }
  TranslationTable table;
  table.language = language.attribute("name").as_string();
  for (pugi::xml_node message : language.children("message")) {
    std::string source = message.attribute("source").as_string();
    std::string translation = message.attribute("translation").as_string();
    if (source.empty() || translation.empty()) continue;
    table.texts[std::move(source)] = std::move(translation);
  }
  return table;
}

}  // namespace model
