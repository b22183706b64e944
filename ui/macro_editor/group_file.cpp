#include "ui/macro_editor/group_file.h"

#include <cstdint>

#include <pugixml.hpp>

#include "model/macro/xml_attributes.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace macro {

bool ExportGroupFile(const model::MacroGroup& group, const std::filesystem::path& path) {
  pugi::xml_document document;
  pugi::xml_node element = document.append_child("macro").append_child("group");
  model::AppendText(element, "name", group.name);
  for (const model::MacroStep& step : group.steps) {
    pugi::xml_node item = element.append_child("item");
    model::AppendUnsigned(item, "code", step.code);
    model::AppendUnsigned(item, "state", static_cast<std::uint32_t>(step.state));
    model::AppendUnsigned(item, "delay", static_cast<std::uint32_t>(int(step.delay)));
    model::AppendText(item, "name", step.name);
  }
  if (!model::SaveXmlFile(document, path)) {
    support::LogFailure("ExportGroupFile", "cannot write " + support::PathToUtf8(path));
    return false;
  }
  return true;
}

bool ImportGroupFile(const std::filesystem::path& path, model::MacroGroup& group, std::string& error) {
  pugi::xml_document document;
  if (!model::LoadXmlFile(path, document)) {
    error = "The file cannot be read or is not an XML file.";
    return false;
  }
  pugi::xml_node element;
  model::ForEachChildElement(document.child("macro"), [&](pugi::xml_node child) {
    if (!element) element = child;
  });
  if (!element) {
    error = "The file holds no macro group.";
    return false;
  }
  model::MacroGroup read;
  read.name = model::ReadText(element, "name");
  model::ForEachChildElement(element, [&](pugi::xml_node item) {
    model::MacroStep step;
    step.code = model::ReadUnsigned(item, "code");
    step.state = model::ReadSigned(item, "state");
    step.delay = model::ReadSigned(item, "delay");
    step.name = model::ReadText(item, "name");
    read.steps.push_back(std::move(step));
  });
  group = std::move(read);
  return true;
}

}  // namespace macro
