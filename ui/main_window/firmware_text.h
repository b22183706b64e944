#pragma once
// The firmware version line of the main window.
#include <cstdint>
#include <optional>

#include <QString>

namespace ui {

// "Firmware: v1.2" for the version word 0x0102 (the numbers are not translated), "Firmware: Early
// version" for 0, each part in the current language; nothing for -1 (no version known), which
// leaves the shown text as it is.
std::optional<QString> FirmwareVersionText(std::int32_t version);

}  // namespace ui
