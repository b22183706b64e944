#pragma once
// Loading and crash-safe saving of the program's XML data files.
#include <filesystem>
#include <string>

#include <pugixml.hpp>

namespace model {

// Loads `path` with pugixml's default options (encoding detected). False when the file is missing
// or not well-formed; `document` is then empty.
bool LoadXmlFile(const std::filesystem::path& path, pugi::xml_document& document);

// The document as the program writes its files: UTF-8 without byte-order mark, the declaration
// <?xml version="1.0"?>, one element per line, one tab per level.
std::string SerializeXml(const pugi::xml_document& document);

// Serializes and writes atomically (the old file stays whole on any failure). False on failure.
bool SaveXmlFile(const pugi::xml_document& document, const std::filesystem::path& path);

}  // namespace model
