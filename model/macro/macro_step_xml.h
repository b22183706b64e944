#pragma once
// The <item> elements that hold a step list in macro.xml (inside a <group>) and in record.xml
// (inside a <record>): attributes code, state, delay and name, in that order.
#include <vector>

#include <pugixml.hpp>

#include "model/macro/macro_step.h"

namespace model {

// How a step's key code is written: macro.xml as "%u", record.xml as lower-case hex.
enum class StepCodeText { kDecimal, kHex };

// Every child element of `parent` as a step, in document order, whatever its name. State and delay
// read as signed decimals (a state written as "%u" from a negative value saturates).
std::vector<MacroStep> ReadMacroSteps(pugi::xml_node parent, StepCodeText codeText);

// Appends one <item> per step to `parent`; state and delay are written as "%u".
void AppendMacroSteps(pugi::xml_node parent, const std::vector<MacroStep>& steps, StepCodeText codeText);

}  // namespace model
