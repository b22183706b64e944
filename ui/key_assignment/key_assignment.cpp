#include "ui/key_assignment/key_assignment.h"

#include <vector>

#include "hostdrv/filter_requests.h"
#include "ui/key_assignment/key_record_builder.h"
#include "ui/toolkit/layout_loader.h"

namespace assign {

EditorRunner ModalEditorRunner(ui::LayoutLoader& loader, const model::AppConfig& config, QWidget* owner) {
  return [&loader, &config, owner](HidUsbFilter::KeyFilterChannel& channel, model::MacroLibrary& library,
                                   const macro::SelectedKeys& selectedKeys, const std::function<void()>& afterClose) {
    auto editor = macro::MacroRecordDlg::Create({channel, library, selectedKeys, config, loader}, owner);
    const int result = editor ? editor->Exec() : 0;
    afterClose();
    return result;
  };
}

KeyAssignment::KeyAssignment(Dependencies dependencies) : deps_(std::move(dependencies)) {}

bool KeyAssignment::OnCoordButtonClick(std::int32_t id, std::wstring name, std::int32_t up, std::uint32_t,
                                       std::int32_t, std::int32_t) {
  if (up != 1 || !deps_.keyboardOpen || !deps_.keyboardOpen()) return false;
  model::KeySpot spot;
  if (!deps_.image.FindKeySpot(id, spot)) return false;
  const model::KeyCode code = (static_cast<model::KeyCode>(spot.va) << 16) | (static_cast<model::KeyCode>(id) & 0xFFFF);

  selectedKeys_[id] = name;
  // Whatever the editor's result, the filter is told the editor has closed, before the editor's
  // destruction restarts monitoring.
  const auto editorClosed = [this] {
    const std::uint32_t input = 0;
    deps_.channel.Request(HidUsbFilter::kRequestSetMode, &input, sizeof input, nullptr, 0);
  };
  const int result = deps_.runEditor ? deps_.runEditor(deps_.channel, deps_.library, selectedKeys_, editorClosed) : 0;
  if (!deps_.runEditor) editorClosed();

  if (result == macro::kResultOk) {
    Assign(id, code, name);
  } else if (result == macro::kResultDelete) {
    Remove(id, code);
  }
  selectedKeys_.clear();
  return false;
}

void KeyAssignment::Assign(std::int32_t id, model::KeyCode code, const std::wstring& name) {
  if (id != 0) {
    deps_.image.SetKeyChecked(id, 1);
    if (const auto record = BuildKeyRecord(deps_.library, deps_.config, code, name)) {
      deps_.image.SetKeyLabel(AssignmentLabel(name, record->group), id);
      deps_.records.UpsertRecord(*record);
      deps_.records.Save();
    }
  }
  deps_.library.Save();
  SendCaptureTable();
}

void KeyAssignment::Remove(std::int32_t id, model::KeyCode code) {
  deps_.records.RemoveRecord(code);
  deps_.image.SetKeyLabel(L"", id);
  deps_.image.SetKeyChecked(id, 0);
  deps_.records.Save();
  SendCaptureTable();
}

void KeyAssignment::SendCaptureTable() {
  std::vector<model::KeyCode> codes;
  for (const model::KeyRecord& record : *deps_.records.Snapshot()) codes.push_back(record.code);
  deps_.channel.SetCaptureTable(codes);
}

}  // namespace assign
