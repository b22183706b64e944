#pragma once
// One step of a macro or key record, and a named group of steps.
#include <string>
#include <vector>

#include "model/keys/key_code.h"
#include "model/macro/delay_ms.h"

namespace model {

struct MacroStep {
  KeyCode code = 0;
  int state = 0;        // 1 key down, 0 key up
  DelayMs delay = 0;    // wait after this step
  std::wstring name;    // the key's catalogue name when it was recorded

  friend bool operator==(const MacroStep& a, const MacroStep& b) {
    return a.code == b.code && a.state == b.state && int(a.delay) == int(b.delay) && a.name == b.name;
  }
};

struct MacroGroup {
  std::wstring name;
  std::vector<MacroStep> steps;

  friend bool operator==(const MacroGroup&, const MacroGroup&) = default;
};

}  // namespace model
