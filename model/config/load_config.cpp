#include "model/config/load_config.h"

#include <pugixml.hpp>

#include "model/xml/xml_file.h"
#include "support/c_number.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "support/text.h"

namespace model {
namespace {

std::wstring AttributeText(const pugi::xml_node& node, const char* name) {
  return support::Utf8ToWide(node.attribute(name).as_string());
}

std::int32_t HexAttribute(const pugi::xml_node& node, const char* name) {
  return support::ParseCLong(AttributeText(node, name), 16);
}

void ReadSelector(const pugi::xml_node& usb, DeviceSelector& selector) {
  selector.vid = HexAttribute(usb, "vid");
  selector.pid = HexAttribute(usb, "pid");
  selector.interface = HexAttribute(usb, "interface");
  selector.subdevice = HexAttribute(usb, "subdevice");
}

void ReadMediaKeys(const pugi::xml_node& funkey, std::vector<FunKeyEntry>& keys) {
  for (const pugi::xml_node& child : funkey.children()) {
    if (child.type() != pugi::node_element) continue;
    FunKeyEntry entry;
    entry.name = AttributeText(child, "name");
    if (entry.name.empty()) continue;
    entry.path = AttributeText(child, "path");
    entry.argm = AttributeText(child, "argm");
    entry.code = support::ParseCUnsignedLong(AttributeText(child, "code"), 16);
    keys.push_back(std::move(entry));
  }
}

void ReadFunctionKeys(const pugi::xml_node& combkey, std::vector<CombKeyEntry>& keys) {
  for (const pugi::xml_node& child : combkey.children()) {
    if (child.type() != pugi::node_element) continue;
    CombKeyEntry entry;
    entry.name = AttributeText(child, "name");
    if (const pugi::xml_attribute code = child.attribute("code")) {
      entry.steps = ParseCombKeySteps(support::Utf8ToWide(code.as_string()));
    }
    keys.push_back(std::move(entry));
  }
}

}  // namespace

std::vector<CombKeyStep> ParseCombKeySteps(std::wstring_view code) {
  std::wstring compact;
  compact.reserve(code.size());
  for (wchar_t c : code) {
    if (c != L' ') compact.push_back(c);
  }

  std::vector<CombKeyStep> steps;
  std::size_t start = 0;
  while (start <= compact.size()) {
    std::size_t end = compact.find(L',', start);
    if (end == std::wstring::npos) end = compact.size();
    const std::wstring_view piece = std::wstring_view(compact).substr(start, end - start);
    start = end + 1;
    if (piece.find_first_not_of(L':') == std::wstring_view::npos) continue;  // empty or only colons

    CombKeyStep step;
    const std::size_t colon = piece.find(L':');
    step.key = support::ParseCLong(piece.substr(0, colon), 10);
    if (colon != std::wstring_view::npos) step.delay = support::ParseCLong(piece.substr(colon + 1), 10);
    steps.push_back(step);
  }
  return steps;
}

bool LoadConfigFile(const std::filesystem::path& file, AppConfig& config) {
  pugi::xml_document document;
  if (!LoadXmlFile(file, document)) {
    support::LogFailure("LoadConfig", "cannot load " + support::PathToUtf8(file));
    return false;
  }

  config.useChinese = std::string_view(document.child("local").attribute("language").as_string()) == "cn";
  ReadSelector(document.child("usb"), config.selector);
  ReadMediaKeys(document.child("funkey"), config.mediaKeys);
  ReadFunctionKeys(document.child("combkey"), config.functionKeys);
  return true;
}

bool LoadConfig(const std::filesystem::path& folder, AppConfig& config) {
  return LoadConfigFile(folder / kConfigFileName, config);
}

bool LoadConfig(const std::filesystem::path& folder) { return LoadConfig(folder, AppConfig::Instance()); }

}  // namespace model
