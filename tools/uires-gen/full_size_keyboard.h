#pragma once
// The keys of a full-size (104-key ANSI) keyboard: HID keyboard-page usage, name as the key
// catalogue spells it, legend printed on the cap, and place in key units.
#include <vector>

#include <QString>

struct KeyPlace {
  int usage;        // HID usage id on the keyboard page (0x07)
  QString name;     // the key's name (as in the key catalogue)
  QString legend;   // the text printed on the key cap
  double x, y;      // top-left corner, in key units
  double width = 1.0, height = 1.0;
};

std::vector<KeyPlace> FullSizeKeyboard();
