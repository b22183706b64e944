#include "ui/toolkit/control_names.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

constexpr std::array<ControlName, 69> kTable{{
    {"_name_start", 65535},
    {"bar_const_brightness_0", 65543},
    {"bar_const_brightness_1", 65547},
    {"bar_const_brightness_2", 65548},
    {"bar_const_brightness_3", 65550},
    {"bar_general_speed_0", 65542},
    {"bar_general_speed_1", 65546},
    {"bar_general_speed_3", 65549},
    {"bar_side_brightness", 65559},
    {"btnCancel", 65562},
    {"btnDelete", 65596},
    {"btnMin", 65560},
    {"btnOK", 65595},
    {"btnRestore", 65561},
    {"btnSwitch", 65600},
    {"btn_min", 65538},
    {"btn_more", 65537},
    {"btn_restore_factory", 65554},
    {"button1st", 65601},
    {"button2nd", 65602},
    {"button3rd", 65603},
    {"cbx_color_effect", 65540},
    {"cbx_in_lv", 65555},
    {"cbx_side_color_effect", 65557},
    {"chk_macro_fixed_delay", 65587},
    {"chk_macro_no_delay", 65588},
    {"chk_macro_realy_delay", 65586},
    {"chk_macro_record", 65589},
    {"chk_single_record", 65591},
    {"cmb_function_keys", 65594},
    {"cmb_media_keys", 65593},
    {"col1", 65576},
    {"col2", 65578},
    {"col3", 65580},
    {"col4", 65582},
    {"edit_macro_delay_time", 65585},
    {"edit_macro_repeat_times", 65584},
    {"edit_single_key", 65592},
    {"groupAdd", 65570},
    {"groupDel", 65569},
    {"groupExport", 65572},
    {"groupImport", 65571},
    {"group_name", 65574},
    {"img_keyboard", 65539},
    {"item_clear", 65568},
    {"item_delete", 65567},
    {"item_down", 65566},
    {"item_up", 65565},
    {"key_code", 65577},
    {"key_delay", 65583},
    {"key_info", 65575},
    {"key_name", 65579},
    {"key_state", 65581},
    {"macro_group", 65573},
    {"macro_play_mode", 65590},
    {"msgicon", 65598},
    {"msgtext", 65599},
    {"msgtitle", 65597},
    {"radio_direction_left_0", 65544},
    {"radio_direction_right_0", 65545},
    {"radio_loader_center_3", 65552},
    {"radio_loader_left_3", 65551},
    {"radio_loader_right_3", 65553},
    {"tab_color_effect", 65541},
    {"tab_macro_mode_selection", 65564},
    {"text_recording_keys", 65563},
    {"text_side_brightness", 65558},
    {"title", 65536},
    {"version", 65556},
}};

}  // namespace

std::span<const ControlName> ControlNameTable() { return kTable; }

std::optional<int> ControlIdForName(std::string_view name) {
  const auto it = std::lower_bound(kTable.begin(), kTable.end(), name,
                                   [](const ControlName& entry, std::string_view wanted) { return entry.name < wanted; });
  if (it == kTable.end() || it->name != name) return std::nullopt;
  return it->id;
}

std::optional<std::string_view> ControlNameForId(int id) {
  for (const ControlName& entry : kTable) {
    if (entry.id == id) return entry.name;
  }
  return std::nullopt;
}

}  // namespace ui
