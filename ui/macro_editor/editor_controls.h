#pragma once
// The controls of the layout "LAYOUT:macro" that the macro editor works with, found by name.
#include <vector>

#include "ui/toolkit/layout_loader.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QTabWidget;
class QTableView;
class QWidget;

namespace macro {

struct EditorControls {
  // Every control the editor binds to, with its class: a layout lacking one cannot be used.
  static const std::vector<ui::RequiredControl>& Required();
  // The controls below `root` (a layout that has all of Required()).
  static EditorControls Find(QWidget* root);

  QListView* groupList = nullptr;
  QTableView* stepList = nullptr;
  QCheckBox* delayModes[3] = {nullptr, nullptr, nullptr};  // real, fixed, none
  QLineEdit* repeatEdit = nullptr;
  QLineEdit* delayEdit = nullptr;
  QCheckBox* recordBox = nullptr;
  QCheckBox* captureBox = nullptr;  // "chk_single_record": capturing on the single-key page
  QLabel* singleKeyText = nullptr;
  QTabWidget* tabs = nullptr;
  QComboBox* mediaKeys = nullptr;
  QComboBox* functionKeys = nullptr;
  QComboBox* playMode = nullptr;
};

}  // namespace macro
