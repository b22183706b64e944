#include "ui/key_assignment/key_assignment.h"

#include <vector>

#include "hostdrv/filter_requests.h"
#include "ui/key_assignment/key_record_builder.h"
#include "ui/toolkit/layout_loader.h"

namespace assign {

KeyAssignment::KeyAssignment(Dependencies dependencies) : deps_(std::move(dependencies)) {}

bool KeyAssignment::OnCoordButtonClick(std::int32_t id, std::wstring name, std::int32_t up, std::uint32_t,
                                       std::int32_t, std::int32_t) {
  if (up != 1 || editor_ || !deps_.keyboardOpen || !deps_.keyboardOpen()) return false;
  model::KeySpot spot;
  if (!deps_.image.FindKeySpot(id, spot)) return false;
  const model::KeyCode code = (static_cast<model::KeyCode>(spot.va) << 16) | (static_cast<model::KeyCode>(id) & 0xFFFF);

  selectedKeys_[id] = name;
  // Held while the editor shows the key's record.
  const std::shared_ptr<const model::RecordStore::Records> records = deps_.records.Snapshot();
  editor_ = macro::MacroRecordDlg::Create({.channel = deps_.channel,
                                           .library = deps_.library,
                                           .selectedKeys = selectedKeys_,
                                           .config = deps_.config,
                                           .loader = deps_.loader,
                                           .showKeyRecord = true,
                                           .keyRecord = model::FindRecord(*records, code),
                                           .records = &deps_.records,
                                           .keysTaken = [this] { deps_.player.StopAll(); },
                                           .hideProgram = deps_.hideProgram,
                                           .groupFolder = &groupFolder_},
                                          deps_.owner);
  if (!editor_) {
    // Nothing was changed, and the filter never left its normal mode.
    selectedKeys_.clear();
    if (deps_.tellUser) deps_.tellUser(QStringLiteral("The macro editor cannot be opened: its layout is unreadable."));
    return false;
  }
  const int result = editor_->Exec();

  // Whatever the result, the filter is told the editor has closed, before the editor's
  // destruction restarts monitoring (which ends the filter's every-key mode again).
  const std::uint32_t input = 0;
  deps_.channel.Request(HidUsbFilter::kRequestSetMode, &input, sizeof input, nullptr, 0);
  if (result == macro::kResultOk) {
    Assign(id, code, name);
  } else if (result == macro::kResultDelete) {
    Remove(id, code);
  }
  editor_.reset();
  selectedKeys_.clear();
  return false;
}

void KeyAssignment::Assign(std::int32_t id, model::KeyCode code, const std::wstring& name) {
  // Nothing chosen (no group, no key captured, an entry that is gone): the key stays as it was,
  // and its mark keeps saying whether it has a record.
  if (id != 0) {
    if (const auto record = BuildKeyRecord(deps_.library, deps_.config, code, name)) {
      deps_.image.SetKeyChecked(id, 1);
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
  // What the editor changed in the library stays, in memory and in macro.xml alike.
  deps_.library.Save();
  SendCaptureTable();
}

void KeyAssignment::SendCaptureTable() {
  std::vector<model::KeyCode> codes;
  for (const model::KeyRecord& record : *deps_.records.Snapshot()) codes.push_back(record.code);
  deps_.channel.SetCaptureTable(codes);
}

}  // namespace assign
