#pragma once
// Loading and crash-safe saving of the program's XML data files.
#include <filesystem>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "support/save_result.h"

namespace model {

// Loads `path` with pugixml's default options (encoding detected). False when the file is missing
// or not well-formed; `document` is then empty.
bool LoadXmlFile(const std::filesystem::path& path, pugi::xml_document& document);

// The document as the program writes its files: UTF-8 without byte-order mark, the declaration
// <?xml version="1.0"?>, one element per line, one tab per level.
std::string SerializeXml(const pugi::xml_document& document);

// Serializes and writes atomically (the old file stays whole on any failure).
support::SaveResult SaveXmlFile(const pugi::xml_document& document, const std::filesystem::path& path);

}  // namespace model

namespace model {

// What reading one data file found.
enum class XmlFileState {
  kLoaded,      // well-formed; the document holds it
  kMissing,     // there is no such file
  kEmpty,       // an XML declaration and nothing else (what is saved for no data)
  kUnreadable,  // it exists but cannot be read, is not well-formed, or is empty (logged)
};

// Like LoadXmlFile, but tells a missing or empty file apart from one that holds something the
// program cannot read. `document` is empty unless the result is kLoaded.
XmlFileState ReadXmlFile(const std::filesystem::path& path, pugi::xml_document& document);

// True when `bytes` hold an XML declaration and no element, text or comment, apart from blanks and
// a byte-order mark (what SaveXmlFile writes for an empty document). False for 0 bytes or blanks
// only: the program never writes such a file, so it is damage.
bool HoldsNoXmlContent(std::string_view bytes);

}  // namespace model
