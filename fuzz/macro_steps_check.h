#pragma once
// The step check the macro.xml and record.xml fuzz targets share.
#include <cstddef>
#include <string>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "model/macro/macro_step.h"

namespace fuzz {

// Fails unless `after`, read back from the file `before` was saved to, holds the same steps. A
// negative state is written as unsigned and reads back saturated; everything else is kept.
inline void CheckStepsSurvivedSaveAndLoad(const std::vector<model::MacroStep>& before,
                                          const std::vector<model::MacroStep>& after, const std::string& owner) {
  if (before.size() != after.size()) Fail("a " + owner + " lost or gained steps in a save and load");
  for (std::size_t step = 0; step < before.size(); ++step) {
    const model::MacroStep& a = before[step];
    const model::MacroStep& b = after[step];
    if (a.code != b.code || a.delay != b.delay || a.name != b.name || (a.state >= 0 && a.state != b.state)) {
      Fail("a " + owner + " step changed in a save and load");
    }
  }
}

}  // namespace fuzz
