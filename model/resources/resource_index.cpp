#include "model/resources/resource_index.h"

#include <algorithm>
#include <cctype>

#include <pugixml.hpp>

#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace model {

std::string ResourceKey(std::string_view typeQualifiedName) {
  std::string lower(typeQualifiedName);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool IsPathInsideFolder(const std::filesystem::path& relative) {
  if (relative.empty() || relative.has_root_name() || relative.has_root_directory()) return false;
  // A backslash is a separator on Windows only; refuse it everywhere so one index means the same
  // on both systems.
  if (relative.native().find(static_cast<std::filesystem::path::value_type>('\\')) != relative.native().npos) {
    return false;
  }
  bool namesSomething = false;
  for (const std::filesystem::path& step : relative) {
    if (step == ".." || step == ".") return false;
    if (!step.empty()) namesSomething = true;
  }
  return namesSomething;
}

std::optional<ResourceIndex> LoadResourceIndex(const std::filesystem::path& root, std::string& error) {
  const std::filesystem::path indexPath = root / kResourceIndexFileName;
  pugi::xml_document document;
  if (!LoadXmlFile(indexPath, document)) {
    error = "cannot read the resource index " + support::PathToUtf8(indexPath);
    return std::nullopt;
  }
  ResourceIndex index;
  for (pugi::xml_node type : document.child("resource").children()) {
    if (type.type() != pugi::node_element) continue;
    for (pugi::xml_node file : type.children("file")) {
      const std::string name = std::string(type.name()) + ":" + file.attribute("name").as_string();
      // The attribute is UTF-8; u8path keeps it so on systems whose paths are wide.
      const std::string pathText = file.attribute("path").as_string();
      const std::filesystem::path relative =
          std::filesystem::path(std::u8string(pathText.begin(), pathText.end()));
      if (!IsPathInsideFolder(relative)) {
        support::LogFailure("LoadResourceIndex", "resource \"" + name + "\" in " + support::PathToUtf8(indexPath) +
                                                     ": path \"" + pathText +
                                                     "\" is not a file inside the resource folder; skipped");
        continue;
      }
      index.files[ResourceKey(name)] = root / relative;
    }
  }
  if (index.files.empty()) {
    error = "the resource index " + support::PathToUtf8(indexPath) + " names no files";
    return std::nullopt;
  }
  return index;
}

}  // namespace model
