#include "ui/macro_editor/key_record_settings.h"

#include <algorithm>

#include <QComboBox>

#include "model/records/repeat_count.h"
#include "ui/macro_editor/group_names.h"
#include "ui/macro_editor/macro_pages.h"

namespace macro {
namespace {

int GroupShowing(model::MacroLibrary& library, const model::KeyRecord& record) {
  for (int index = 0; index < library.GroupCount(); ++index) {
    const auto group = library.GroupAt(index);
    if (group->name == record.group && group->steps == record.steps) return index;
  }
  // The group the key plays was deleted, renamed or edited since: a group with the key's own steps
  // shows what it plays (gone again on Cancel).
  const std::wstring name = UniqueGroupName(library, record.group);
  library.AddGroup();
  const int row = library.GroupCount() - 1;
  const auto added = library.GroupAt(row);
  added->name = name;
  added->steps = record.steps;
  library.Save();
  return row;
}

}  // namespace

void ShowKeyRecordSettings(model::MacroLibrary& library, const model::AppConfig& config, const QComboBox& playMode,
                           const model::KeyRecord* record) {
  // Blank: the macro page without a group, the other pages on their first entries.
  library.type = kPageMacro;
  library.group = library.GroupCount();  // a row past the last selects nothing
  library.repeat = model::kMinRepeatCount;
  library.play = 0;
  library.skcode = 0;
  library.media = 0;
  library.function = 0;
  if (!record) return;

  const model::KeyCode first = record->steps.empty() ? 0 : record->steps.front().code;
  switch (record->type) {
    case kPageMacro:
      library.group = GroupShowing(library, *record);
      library.repeat = model::ClampRepeatCount(record->repeat);
      library.play = std::max(0, playMode.findData(record->play));
      break;
    case kPageSingleKey:
      library.type = kPageSingleKey;
      library.skcode = first;
      break;
    case kPageMediaKey: {
      library.type = kPageMediaKey;
      const auto& media = config.mediaKeys;
      auto found = std::find_if(media.begin(), media.end(), [&](const auto& entry) { return entry.code == first; });
      if (found == media.end()) {
        found = std::find_if(media.begin(), media.end(), [&](const auto& entry) { return entry.name == record->group; });
      }
      if (found != media.end()) library.media = static_cast<int>(found - media.begin());
      break;
    }
    case kPageFunctionKey: {
      library.type = kPageFunctionKey;
      const auto& functions = config.functionKeys;
      const auto found = std::find_if(functions.begin(), functions.end(),
                                      [&](const auto& entry) { return entry.name == record->group; });
      if (found != functions.end()) library.function = static_cast<int>(found - functions.begin());
      break;
    }
    default:
      break;  // a kind this program does not know: the blank macro page
  }
}

}  // namespace macro
