#include "model/xml/xml_file.h"

#include <sstream>
#include <system_error>

#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace model {

bool LoadXmlFile(const std::filesystem::path& path, pugi::xml_document& document) {
  document.reset();
  const auto bytes = support::ReadWholeFile(path);
  if (!bytes) return false;
  const pugi::xml_parse_result result = document.load_buffer(bytes->data(), bytes->size());
  if (!result) {
    support::Log("%s: not loaded: %s at offset %lld\n", support::PathToUtf8(path).c_str(),
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

support::SaveResult SaveXmlFile(const pugi::xml_document& document, const std::filesystem::path& path) {
  return support::WriteFileAtomically(path, SerializeXml(document));
}

}  // namespace model

namespace model {

bool HoldsNoXmlContent(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  auto skipBlanks = [&bytes] {
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    bytes.remove_prefix(first == std::string_view::npos ? bytes.size() : first);
  };
  skipBlanks();
  // The declaration is what the program always writes: a file without it (0 bytes, or blanks
  // only) is not one of ours but what a power cut or a broken disk leaves.
  if (bytes.substr(0, 5) != "<?xml") return false;
  const std::size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return false;
  bytes.remove_prefix(end + 2);
  skipBlanks();
  return bytes.empty();
}

XmlFileState ReadXmlFile(const std::filesystem::path& path, pugi::xml_document& document) {
  document.reset();
  const auto bytes = support::ReadWholeFile(path);
  if (!bytes) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return XmlFileState::kMissing;
    support::LogFailure("ReadXmlFile", support::PathToUtf8(path) + ": cannot be read");
    return XmlFileState::kUnreadable;
  }
  if (HoldsNoXmlContent(*bytes)) return XmlFileState::kEmpty;
  const pugi::xml_parse_result result = document.load_buffer(bytes->data(), bytes->size());
  if (!result) {
    support::Log("%s: not loaded: %s at offset %lld\n", support::PathToUtf8(path).c_str(),
                 result.description(), static_cast<long long>(result.offset));
    document.reset();
    return XmlFileState::kUnreadable;
  }
  return XmlFileState::kLoaded;
}

}  // namespace model
