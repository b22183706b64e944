#include "ui/main_window/firmware_text.h"

#include "ui/toolkit/xml_translator.h"

namespace ui {

std::optional<QString> FirmwareVersionText(std::int32_t version) {
  if (version == -1) return std::nullopt;
  if (version == 0) return Tr("Firmware") + Tr(": ") + Tr("Early version");
  return Tr("Firmware") + QStringLiteral(": v") + QString::number((version >> 8) & 0xFF) + QStringLiteral(".") +
         QString::number(version & 0xFF);
}

}  // namespace ui
