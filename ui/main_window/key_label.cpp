#include "ui/main_window/key_label.h"

#include <QString>

#include "ui/toolkit/xml_translator.h"

namespace ui {

std::wstring KeyLabel(const std::wstring& keyName, const std::wstring& displayName) {
  if (displayName.empty()) return keyName;
  return keyName + L" : " + Tr(QString::fromStdWString(displayName)).toStdWString();
}

}  // namespace ui
