#include "ui/key_assignment/key_record_builder.h"

#include "model/keys/key_catalogue.h"
#include "model/records/repeat_count.h"
#include "ui/toolkit/xml_translator.h"

namespace assign {

std::optional<model::KeyRecord> BuildKeyRecord(const model::MacroLibrary& library, const model::AppConfig& config,
                                               model::KeyCode code, const std::wstring& keyName) {
  model::KeyRecord record;
  record.code = code;
  record.type = library.type;
  record.name = keyName;
  switch (library.type) {
    case 0: {
      if (library.group < 0 || library.group >= library.GroupCount()) return std::nullopt;
      const auto group = library.GroupAt(library.group);
      record.group = group->name;
      record.play = library.playValue;
      record.repeat = model::ClampRepeatCount(library.repeat);
      record.target = record.repeat;
      record.steps = group->steps;
      return record;
    }
    case 1: {
      if (library.skcode == 0) return std::nullopt;
      record.group = model::FindKey(library.skcode).name;
      record.play = 1;
      record.repeat = 1;
      record.target = static_cast<int>(library.skcode);
      record.steps.push_back(model::MacroStep{library.skcode, 0, 0, L""});
      return record;
    }
    case 2: {
      if (library.media < 0 || static_cast<std::size_t>(library.media) >= config.mediaKeys.size()) return std::nullopt;
      const model::FunKeyEntry& entry = config.mediaKeys[static_cast<std::size_t>(library.media)];
      record.group = entry.name;
      record.play = 1;
      record.repeat = 1;
      record.target = static_cast<int>(entry.code);
      record.steps.push_back(model::MacroStep{entry.code, 0, 0, L""});
      return record;
    }
    case 3: {
      if (library.function < 0 || static_cast<std::size_t>(library.function) >= config.functionKeys.size()) {
        return std::nullopt;
      }
      const model::CombKeyEntry& entry = config.functionKeys[static_cast<std::size_t>(library.function)];
      if (entry.steps.empty()) return std::nullopt;
      record.group = entry.name;
      record.play = 2;
      record.repeat = 1;
      record.target = 1;
      for (const model::CombKeyStep& step : entry.steps) {
        record.steps.push_back(model::MacroStep{static_cast<model::KeyCode>(step.key), 1, step.delay + 1, L""});
      }
      for (const model::CombKeyStep& step : entry.steps) {
        record.steps.push_back(model::MacroStep{static_cast<model::KeyCode>(step.key), 0, step.delay, L""});
      }
      return record;
    }
    default:
      return std::nullopt;
  }
}

std::wstring AssignmentLabel(const std::wstring& keyName, const std::wstring& displayName) {
  if (displayName.empty()) return keyName;
  return keyName + L" : " + ui::Tr(QString::fromStdWString(displayName)).toStdWString();
}

}  // namespace assign
