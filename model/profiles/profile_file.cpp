#include "model/profiles/profile_file.h"

#include <algorithm>

#include <pugixml.hpp>

#include "model/macro/macro_step_xml.h"
#include "model/macro/xml_attributes.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "support/text.h"

namespace model {
namespace {

constexpr const char* kRoot = "kbprofile";
constexpr const char* kRecords = "records";
constexpr const char* kLighting = "lighting";
constexpr const char* kSideLight = "sidelight";
constexpr const char* kMacro = "macro";
constexpr int kRecordTypeMacro = 0;

// Appends the top-level elements of the XML file `bytes` to `parent`. False when they are not
// well-formed (an empty file adds nothing).
bool AppendFile(pugi::xml_node parent, const std::string& bytes) {
  if (HoldsNoXmlContent(bytes)) return true;
  pugi::xml_document file;
  if (!file.load_buffer(bytes.data(), bytes.size())) return false;
  ForEachChildElement(file, [&parent](pugi::xml_node element) { parent.append_copy(element); });
  return true;
}

// The children of `part` as a file of their own, as SaveXmlFile writes it.
std::string FileOf(pugi::xml_node part) {
  pugi::xml_document file;
  ForEachChildElement(part, [&file](pugi::xml_node element) { file.append_copy(element); });
  return SerializeXml(file);
}

template <typename Visit>
bool ForEachMacroRecord(pugi::xml_document& document, const std::string& recordFile, Visit&& visit) {
  if (!document.load_buffer(recordFile.data(), recordFile.size())) return false;
  ForEachChildElement(document, [&visit](pugi::xml_node record) {
    if (ReadSigned(record, "type") == kRecordTypeMacro) visit(record);
  });
  return true;
}

}  // namespace

bool WriteProfileFile(const ProfileExport& profile, const std::filesystem::path& path) {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child(kRoot);
  AppendSigned(root, "version", 1);
  AppendText(root, "name", profile.name);
  if (!AppendFile(root.append_child(kRecords), profile.files.records) ||
      !AppendFile(root.append_child(kLighting), profile.files.effects) ||
      !AppendFile(root.append_child(kSideLight), profile.files.sides)) {
    support::LogFailure("WriteProfileFile", "a file of the profile is not well-formed");
    return false;
  }
  pugi::xml_node macro = root.append_child(kMacro);
  for (const MacroGroup& group : profile.groups) {
    pugi::xml_node element = macro.append_child("group");
    AppendText(element, "name", group.name);
    AppendMacroSteps(element, group.steps, StepCodeText::kDecimal);
  }
  if (!SaveXmlFile(document, path)) {
    support::LogFailure("WriteProfileFile", "cannot write " + support::PathToUtf8(path));
    return false;
  }
  return true;
}

std::optional<ProfileExport> ReadProfileFile(const std::filesystem::path& path, std::string& error) {
  pugi::xml_document document;
  if (!LoadXmlFile(path, document)) {
    error = "The file cannot be read or is not an XML file.";
    return std::nullopt;
  }
  const pugi::xml_node root = document.child(kRoot);
  if (!root) {
    error = "The file holds no profile.";
    return std::nullopt;
  }
  ProfileExport profile;
  profile.name = ReadText(root, "name");
  profile.files = ProfileContents{FileOf(root.child(kRecords)), FileOf(root.child(kLighting)),
                                  FileOf(root.child(kSideLight))};
  ForEachChildElement(root.child(kMacro), [&profile](pugi::xml_node element) {
    profile.groups.push_back(MacroGroup{ReadText(element, "name"), ReadMacroSteps(element, StepCodeText::kDecimal)});
  });
  return profile;
}

std::vector<std::wstring> GroupNamesUsedBy(const std::string& recordFile) {
  std::vector<std::wstring> names;
  pugi::xml_document document;
  ForEachMacroRecord(document, recordFile, [&names](pugi::xml_node record) {
    const std::wstring name = ReadText(record, "group");
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  });
  return names;
}

std::string RenameGroupInRecords(const std::string& recordFile, const std::wstring& from, const std::wstring& to) {
  pugi::xml_document document;
  if (!ForEachMacroRecord(document, recordFile, [&](pugi::xml_node record) {
        if (ReadText(record, "group") == from) record.attribute("group").set_value(support::WideToUtf8(to).c_str());
      })) {
    return recordFile;
  }
  return SerializeXml(document);
}

}  // namespace model
