#pragma once
// What the main window tells the user about how remapped keys, macros and recording reach the
// system: a short part of the firmware line and a longer tooltip, in the current language.
#include <QString>

#include "platform/input_path.h"

namespace ui {

QString InputPathText(platform::InputPath path);
QString InputPathToolTip(platform::InputPath path);

}  // namespace ui
