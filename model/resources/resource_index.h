#pragma once
// The resource package's index file: it maps type-qualified names such as "LAYOUT:XML_MAINWND" to
// files below the resource folder.
//   <resource><TYPE><file name="NAME" path="relative/path"/>...</TYPE>...</resource>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace model {

inline constexpr const char* kResourceIndexFileName = "index.xml";

// Names are matched without regard to case: "TYPE:NAME" in lower case.
std::string ResourceKey(std::string_view typeQualifiedName);

// True when `relative` names a file inside the folder it is relative to: not empty, not absolute,
// and without ".." or "." steps (an index must not reach outside the resource folder).
bool IsPathInsideFolder(const std::filesystem::path& relative);

struct ResourceIndex {
  std::map<std::string, std::filesystem::path> files;  // ResourceKey -> root / path
};

// Reads <root>/index.xml. An entry whose path would leave `root` is skipped and logged. nullopt,
// with the reason in `error`, when the index is missing, malformed or names no file.
std::optional<ResourceIndex> LoadResourceIndex(const std::filesystem::path& root, std::string& error);

}  // namespace model
