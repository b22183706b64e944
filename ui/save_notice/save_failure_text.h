#pragma once
// The words of the notice of data files that could not be saved, in the current language.
#include <vector>

#include <QString>

#include "support/save_result.h"

namespace ui {

// One paragraph per file (the file, and the system's reason it was not saved), then one that
// says the settings stay as they are while the program runs and are saved with the next change.
QString SaveFailureText(const std::vector<support::SaveResult>& failures);

}  // namespace ui
