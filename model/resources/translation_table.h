#pragma once
// Our translation tables: the program's English texts and their translation into one language.
//   <language name="zh_cn"><message source="Warning" translation="警告"/>...</language>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace model {

struct TranslationTable {
  std::string language;                       // the "name" attribute, UTF-8
  std::map<std::string, std::string> texts;  // English text -> translation, both UTF-8 and not empty
};

// Parses a table's bytes. A message without a source or a translation is left out (its English
// text stays); of two messages for one text the later wins. nullopt, with the reason in `error`,
// when the bytes are not well-formed XML or hold no "language" element.
std::optional<TranslationTable> ParseTranslationTable(std::string_view bytes, std::string& error);

}  // namespace model
