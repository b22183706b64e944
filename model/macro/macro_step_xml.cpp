#include "model/macro/macro_step_xml.h"

#include <utility>

#include "model/macro/xml_attributes.h"

namespace model {

std::vector<MacroStep> ReadMacroSteps(pugi::xml_node parent, StepCodeText codeText) {
  std::vector<MacroStep> steps;
  ForEachChildElement(parent, [&](pugi::xml_node item) {
    MacroStep step;
    // Read as written: a decimal code of a vendor page (0x8000 and up) comes back unchanged, where
    // a signed read would cut it to 2147483647. Codes in the signed range read the same either way.
    step.code = codeText == StepCodeText::kHex ? ReadHex(item, "code") : ReadUnsigned(item, "code");
    step.state = ReadSigned(item, "state");
    step.delay = ReadSigned(item, "delay");
    step.name = ReadText(item, "name");
    steps.push_back(std::move(step));
  });
  return steps;
}

void AppendMacroSteps(pugi::xml_node parent, const std::vector<MacroStep>& steps, StepCodeText codeText) {
  for (const MacroStep& step : steps) {
    pugi::xml_node item = parent.append_child("item");
    if (codeText == StepCodeText::kHex) {
      AppendHex(item, "code", step.code);
    } else {
      AppendUnsigned(item, "code", step.code);
    }
    AppendUnsigned(item, "state", static_cast<std::uint32_t>(step.state));
    AppendUnsigned(item, "delay", static_cast<std::uint32_t>(static_cast<int>(step.delay)));
    AppendText(item, "name", step.name);
  }
}

}  // namespace model
