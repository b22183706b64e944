// Our translation tables: whatever a table holds, parsing gives a reason or a table whose entries
// all carry an English text and a translation.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "model/resources/translation_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const std::optional<model::TranslationTable> table = model::ParseTranslationTable(fuzz::AsText(data, size), error);
  if (!table) {
    if (error.empty()) fuzz::Fail("a refused table gave no reason");
    return 0;
  }
  for (const auto& [source, translation] : table->texts) {
    if (source.empty() || translation.empty()) fuzz::Fail("an entry without a text or a translation");
  }
  return 0;
}
