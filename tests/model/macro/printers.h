#pragma once
// Readable test failure output for the macro model.
#include <ostream>

#include "model/macro/macro_step.h"
#include "support/text.h"

namespace model {

inline void PrintTo(const MacroStep& step, std::ostream* out) {
  *out << "{code 0x" << std::hex << step.code << std::dec << ", state " << step.state << ", delay "
       << int(step.delay) << ", \"" << support::WideToUtf8(step.name) << "\"}";
}

inline void PrintTo(const MacroGroup& group, std::ostream* out) {
  *out << "{\"" << support::WideToUtf8(group.name) << "\", steps:";
  for (const MacroStep& step : group.steps) {
    *out << ' ';
    PrintTo(step, out);
  }
  *out << '}';
}

}  // namespace model
