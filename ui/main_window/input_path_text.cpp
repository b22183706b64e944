#include "ui/main_window/input_path_text.h"

#include "ui/toolkit/xml_translator.h"

namespace ui {

QString InputPathText(platform::InputPath path) {
  switch (path) {
    case platform::InputPath::kKernelDrivers: return Tr("Key remapping: drivers");
    case platform::InputPath::kKeyboardHook: return Tr("Key remapping: without drivers");
    case platform::InputPath::kInputGrab: return Tr("Key remapping: this keyboard");
    case platform::InputPath::kEmulated: return Tr("Key remapping: emulated");
  }
  return QString();
}

QString InputPathToolTip(platform::InputPath path) {
  switch (path) {
    case platform::InputPath::kKernelDrivers:
      return Tr("Remapped keys, macros and recording go through the keyboard's drivers: only this keyboard's keys "
                "are taken.");
    case platform::InputPath::kKeyboardHook:
      return Tr("The drivers are not installed: remapped keys, macros and recording work through Windows itself, "
                "and an assigned key is taken from every keyboard attached.");
    case platform::InputPath::kInputGrab:
      return Tr("Remapped keys, macros and recording take this keyboard's keys only.");
    case platform::InputPath::kEmulated:
      return Tr("An emulated keyboard: the keys typed into the program's windows are taken.");
  }
  return QString();
}

}  // namespace ui
