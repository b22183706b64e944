#include "full_size_keyboard.h"

namespace {

void Row(std::vector<KeyPlace>& keys, double y, double x, std::initializer_list<std::pair<int, const char*>> run) {
  for (const auto& [usage, legend] : run) {
    keys.push_back({usage, QString::fromUtf8(legend), QString::fromUtf8(legend), x, y});
    x += 1.0;
  }
}

}  // namespace

std::vector<KeyPlace> FullSizeKeyboard() {
  std::vector<KeyPlace> keys;
  auto add = [&keys](int usage, const char* name, const char* legend, double x, double y, double w = 1.0,
                     double h = 1.0) {
    keys.push_back({usage, QString::fromUtf8(name), QString::fromUtf8(legend), x, y, w, h});
  };
  // Function row.
  add(0x29, "Escape", "Esc", 0, 0);
  for (int i = 0; i < 12; ++i) {
    const double x = 2 + i + (i / 4) * 0.5;
    const QString name = QStringLiteral("F%1").arg(i + 1);
    keys.push_back({0x3A + i, name, name, x, 0});
  }
  add(0x46, "Print Screen", "PrtSc", 15.25, 0);
  add(0x47, "Scroll Lock", "ScrLk", 16.25, 0);
  add(0x48, "Break", "Pause", 17.25, 0);

  // Number row.
  add(0x35, "`", "`", 0, 1.5);
  Row(keys, 1.5, 1, {{0x1E, "1"}, {0x1F, "2"}, {0x20, "3"}, {0x21, "4"}, {0x22, "5"}, {0x23, "6"}, {0x24, "7"},
                     {0x25, "8"}, {0x26, "9"}, {0x27, "0"}, {0x2D, "-"}, {0x2E, "="}});
  add(0x2A, "Backspace", "Backspace", 13, 1.5, 2);
  add(0x49, "Insert", "Ins", 15.25, 1.5);
  add(0x4A, "Home", "Home", 16.25, 1.5);
  add(0x4B, "Page Up", "PgUp", 17.25, 1.5);
  add(0x53, "Num Lock", "Num Lock", 18.5, 1.5);
  add(0x54, "Keypad /", "/", 19.5, 1.5);
  add(0x55, "Keypad *", "*", 20.5, 1.5);
  add(0x56, "Keypad -", "-", 21.5, 1.5);

  // Top letter row.
  add(0x2B, "Tab", "Tab", 0, 2.5, 1.5);
  Row(keys, 2.5, 1.5, {{0x14, "Q"}, {0x1A, "W"}, {0x08, "E"}, {0x15, "R"}, {0x17, "T"}, {0x1C, "Y"}, {0x18, "U"},
                       {0x0C, "I"}, {0x12, "O"}, {0x13, "P"}, {0x2F, "["}, {0x30, "]"}});
  add(0x31, "\\", "\\", 13.5, 2.5, 1.5);
  add(0x4C, "Delete", "Del", 15.25, 2.5);
  add(0x4D, "End", "End", 16.25, 2.5);
  add(0x4E, "Page Down", "PgDn", 17.25, 2.5);
  add(0x5F, "Keypad 7", "7", 18.5, 2.5);
  add(0x60, "Keypad 8", "8", 19.5, 2.5);
  add(0x61, "Keypad 9", "9", 20.5, 2.5);
  add(0x57, "Keypad +", "+", 21.5, 2.5, 1, 2);

  // Home row.
  add(0x39, "Caps Lock", "Caps Lock", 0, 3.5, 1.75);
  Row(keys, 3.5, 1.75, {{0x04, "A"}, {0x16, "S"}, {0x07, "D"}, {0x09, "F"}, {0x0A, "G"}, {0x0B, "H"}, {0x0D, "J"},
                        {0x0E, "K"}, {0x0F, "L"}, {0x33, ";"}, {0x34, "'"}});
  add(0x28, "Return", "Enter", 12.75, 3.5, 2.25);
  add(0x5C, "Keypad 4", "4", 18.5, 3.5);
  add(0x5D, "Keypad 5", "5", 19.5, 3.5);
  add(0x5E, "Keypad 6", "6", 20.5, 3.5);

  // Bottom letter row.
  add(0xE1, "Left Shift", "Shift", 0, 4.5, 2.25);
  Row(keys, 4.5, 2.25, {{0x1D, "Z"}, {0x1B, "X"}, {0x06, "C"}, {0x19, "V"}, {0x05, "B"}, {0x11, "N"}, {0x10, "M"},
                        {0x36, ","}, {0x37, "."}, {0x38, "/"}});
  add(0xE5, "Right Shift", "Shift", 12.25, 4.5, 2.75);
  add(0x52, "Up Arrow", "\u2191", 16.25, 4.5);
  add(0x59, "Keypad 1", "1", 18.5, 4.5);
  add(0x5A, "Keypad 2", "2", 19.5, 4.5);
  add(0x5B, "Keypad 3", "3", 20.5, 4.5);
  add(0x58, "Keypad Enter", "Enter", 21.5, 4.5, 1, 2);

  // Space row.
  add(0xE0, "Left Control", "Ctrl", 0, 5.5, 1.25);
  add(0xE3, "Left GUI", "Win", 1.25, 5.5, 1.25);
  add(0xE2, "Left Alt", "Alt", 2.5, 5.5, 1.25);
  add(0x2C, "Space", "", 3.75, 5.5, 6.25);
  add(0xE6, "Right Alt", "Alt", 10, 5.5, 1.25);
  add(0xE7, "Right GUI", "Win", 11.25, 5.5, 1.25);
  add(0x65, "App", "Menu", 12.5, 5.5, 1.25);
  add(0xE4, "Right Control", "Ctrl", 13.75, 5.5, 1.25);
  add(0x50, "Left Arrow", "\u2190", 15.25, 5.5);
  add(0x51, "Down Arrow", "\u2193", 16.25, 5.5);
  add(0x4F, "Right Arrow", "\u2192", 17.25, 5.5);
  add(0x62, "Keypad 0", "0", 18.5, 5.5, 2);
  add(0x63, "Keypad .", ".", 20.5, 5.5);
  return keys;
}
