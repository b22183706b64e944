#pragma once
// What the profile box and the rules' editor say, in the current language.
#include <QString>

#include "platform/foreground.h"
#include "profiles/profile_service.h"

namespace ui {

// The name a profile is shown by: its own, or "Profile 1" in the user's language for a first
// profile never named.
QString ProfileDisplayName(const profiles::Profile& profile);

// Why an operation on a profile did not happen (empty for kDone and kDeferred).
QString ProfileResultText(profiles::ProfileResult result);

// Whether the program in front can be told here, and if not, why (profiles then switch by hand).
QString ForegroundStateText(bool available, platform::ForegroundUnavailable reason);

}  // namespace ui
