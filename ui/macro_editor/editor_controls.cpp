#include "ui/macro_editor/editor_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTabWidget>
#include <QTableView>

#include "ui/toolkit/control_lookup.h"

namespace macro {

const std::vector<ui::RequiredControl>& EditorControls::Required() {
  static const std::vector<ui::RequiredControl> required = {
      {"macro_group", "QListView"},           {"key_info", "QTableView"},
      {"chk_macro_realy_delay", "QCheckBox"}, {"chk_macro_fixed_delay", "QCheckBox"},
      {"chk_macro_no_delay", "QCheckBox"},    {"edit_macro_repeat_times", "QLineEdit"},
      {"edit_macro_delay_time", "QLineEdit"}, {"chk_macro_record", "QCheckBox"},
      {"chk_single_record", "QCheckBox"},     {"edit_single_key", "QLabel"},
      {"tab_macro_mode_selection", "QTabWidget"}, {"cmb_media_keys", "QComboBox"},
      {"cmb_function_keys", "QComboBox"},     {"macro_play_mode", "QComboBox"},
      {"text_recording_keys", "QLabel"},      {"btnOK", "QAbstractButton"},
      {"btnCancel", "QAbstractButton"},       {"btnDelete", "QAbstractButton"},
      {"btnMin", "QAbstractButton"},          {"btnRestore", "QAbstractButton"},
      {"groupAdd", "QAbstractButton"},        {"groupDel", "QAbstractButton"},
      {"groupImport", "QAbstractButton"},     {"groupExport", "QAbstractButton"},
      {"item_up", "QAbstractButton"},         {"item_down", "QAbstractButton"},
      {"item_delete", "QAbstractButton"},     {"item_clear", "QAbstractButton"},
  };
  return required;
}

EditorControls EditorControls::Find(QWidget* root) {
  EditorControls found;
  found.groupList = ui::FindControl<QListView>(root, "macro_group");
  found.stepList = ui::FindControl<QTableView>(root, "key_info");
  found.delayModes[0] = ui::FindControl<QCheckBox>(root, "chk_macro_realy_delay");
  found.delayModes[1] = ui::FindControl<QCheckBox>(root, "chk_macro_fixed_delay");
  found.delayModes[2] = ui::FindControl<QCheckBox>(root, "chk_macro_no_delay");
  found.repeatEdit = ui::FindControl<QLineEdit>(root, "edit_macro_repeat_times");
  found.delayEdit = ui::FindControl<QLineEdit>(root, "edit_macro_delay_time");
  found.recordBox = ui::FindControl<QCheckBox>(root, "chk_macro_record");
  found.captureBox = ui::FindControl<QCheckBox>(root, "chk_single_record");
  found.singleKeyText = ui::FindControl<QLabel>(root, "edit_single_key");
  found.tabs = ui::FindControl<QTabWidget>(root, "tab_macro_mode_selection");
  found.mediaKeys = ui::FindControl<QComboBox>(root, "cmb_media_keys");
  found.functionKeys = ui::FindControl<QComboBox>(root, "cmb_function_keys");
  found.playMode = ui::FindControl<QComboBox>(root, "macro_play_mode");
  return found;
}

}  // namespace macro
