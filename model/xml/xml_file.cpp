#include "model/xml/xml_file.h"

#include <sstream>

#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/text.h"

namespace model {

bool LoadXmlFile(const std::filesystem::path& path, pugi::xml_document& document) {
  document.reset();
  const auto bytes = support::ReadWholeFile(path);
  if (!bytes) return false;
  const pugi::xml_parse_result result = document.load_buffer(bytes->data(), bytes->size());
  if (!result) {
    support::Log("%s: not loaded: %s at offset %lld\n", support::WideToUtf8(path.wstring()).c_str(),
                 result.description(), static_cast<long long>(result.offset));
    document.reset();
    return false;
  }
  return true;
}

std::string SerializeXml(const pugi::xml_document& document) {
  std::ostringstream out;
  document.save(out, "\t", pugi::format_default, pugi::encoding_utf8);
  return std::move(out).str();
}

bool SaveXmlFile(const pugi::xml_document& document, const std::filesystem::path& path) {
  return support::WriteFileAtomically(path, SerializeXml(document));
}

}  // namespace model
