#include "model/settings/settings_file.h"

#include <cstring>
#include <optional>

#include "model/macro/xml_attributes.h"

namespace model {
namespace {

constexpr const char* kRoot = "settings";
constexpr const char* kLanguage = "language";
constexpr const char* kProfiles = "profiles";
constexpr const char* kPrograms = "programs";
// Every element below the root that this build reads; any other is kept as it is.
constexpr const char* kKnownElements[] = {kLanguage, kProfiles, kPrograms};

struct MatchName {
  ProgramMatch match;
  const char* text;
};
constexpr MatchName kMatchNames[] = {{ProgramMatch::kName, "name"},
                                     {ProgramMatch::kPath, "path"},
                                     {ProgramMatch::kFolder, "folder"},
                                     {ProgramMatch::kWindowClass, "class"}};

std::optional<ProgramMatch> MatchFromText(const char* text) {
  for (const MatchName& entry : kMatchNames) {
    if (std::strcmp(entry.text, text) == 0) return entry.match;
  }
  return std::nullopt;
}

bool IsKnown(const pugi::xml_node& node) {
  if (node.type() != pugi::node_element) return false;
  for (const char* name : kKnownElements) {
    if (std::strcmp(node.name(), name) == 0) return true;
  }
  return false;
}

std::vector<ProgramRule> ReadRules(const pugi::xml_node& programs) {
  std::vector<ProgramRule> rules;
  for (const pugi::xml_node& rule : programs.children("rule")) {
    const std::optional<ProgramMatch> match = MatchFromText(rule.attribute("match").as_string());
    ProgramRule read{.profile = ReadText(rule, "profile"), .match = match.value_or(ProgramMatch::kName),
                     .value = ReadText(rule, "value")};
    if (match && !read.value.empty()) rules.push_back(std::move(read));
  }
  return rules;
}

}  // namespace

const char* ProgramMatchText(ProgramMatch match) {
  for (const MatchName& entry : kMatchNames) {
    if (entry.match == match) return entry.text;
  }
  return "name";
}

Settings ReadSettings(const pugi::xml_document& document) {
  Settings settings;
  const pugi::xml_node root = document.child(kRoot);
  const std::string language = root.child(kLanguage).attribute("name").as_string();
  if (language == "lang_cn" || language == "lang_en") settings.language = language;

  const pugi::xml_node profiles = root.child(kProfiles);
  settings.activeProfile = ReadText(profiles, "active");
  settings.firstProfileName = ReadText(profiles, "first");

  const pugi::xml_node programs = root.child(kPrograms);
  settings.switchByProgram = ReadSigned(programs, "switch") != 0;
  settings.defaultProfile = ReadText(programs, "default");
  settings.rules = ReadRules(programs);
  return settings;
}

void WriteSettings(const Settings& settings, const pugi::xml_document& kept, pugi::xml_document& document) {
  pugi::xml_node root = document.append_child(kRoot);
  if (!settings.language.empty()) {
    root.append_child(kLanguage).append_attribute("name").set_value(settings.language.c_str());
  }

  pugi::xml_node profiles = root.append_child(kProfiles);
  AppendText(profiles, "active", settings.activeProfile);
  AppendText(profiles, "first", settings.firstProfileName);

  pugi::xml_node programs = root.append_child(kPrograms);
  AppendSigned(programs, "switch", settings.switchByProgram ? 1 : 0);
  AppendText(programs, "default", settings.defaultProfile);
  for (const ProgramRule& rule : settings.rules) {
    pugi::xml_node element = programs.append_child("rule");
    AppendText(element, "profile", rule.profile);
    element.append_attribute("match").set_value(ProgramMatchText(rule.match));
    AppendText(element, "value", rule.value);
  }

  for (const pugi::xml_node& node : kept.child(kRoot).children()) {
    if (!IsKnown(node)) root.append_copy(node);
  }
}

}  // namespace model
