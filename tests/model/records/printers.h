#pragma once
// Readable test failure output for key records.
#include <ostream>

#include "model/records/key_record.h"
#include "support/text.h"

namespace model {

inline void PrintTo(const MacroStep& step, std::ostream* out) {
  *out << "{code 0x" << std::hex << step.code << std::dec << ", state " << step.state << ", delay "
       << int(step.delay) << ", \"" << support::WideToUtf8(step.name) << "\"}";
}

inline void PrintTo(const KeyRecord& record, std::ostream* out) {
  *out << "{code 0x" << std::hex << record.code << std::dec << ", type " << record.type << ", target "
       << record.target << ", play " << record.play << ", repeat " << record.repeat << ", \""
       << support::WideToUtf8(record.name) << "\", \"" << support::WideToUtf8(record.group) << "\", steps:";
  for (const MacroStep& step : record.steps) {
    *out << ' ';
    PrintTo(step, out);
  }
  *out << '}';
}

}  // namespace model
