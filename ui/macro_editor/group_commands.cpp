#include "ui/macro_editor/group_commands.h"

#include <algorithm>

#include <QListView>
#include <QStringList>

#include "ui/macro_editor/editor_messages.h"
#include "ui/macro_editor/key_and_delay_adapter.h"
#include "ui/macro_editor/list_selection.h"
#include "ui/macro_editor/macro_group_adapter.h"
#include "ui/macro_editor/macro_pages.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {

GroupCommands::GroupCommands(model::MacroLibrary& library, MacroGroupAdapter& groups, KeyAndDelayAdapter& steps,
                             QListView* groupList, const model::RecordStore* records, EditorMessages& messages)
    : library_(library),
      groups_(groups),
      steps_(steps),
      groupList_(groupList),
      records_(records),
      messages_(messages) {}

int GroupCommands::SelectedGroupRow() const { return SelectedRow(groupList_); }

void GroupCommands::SelectGroupRow(int row) {
  selectingGroup_ = true;
  SelectRow(groupList_, row);
  selectingGroup_ = false;
}

void GroupCommands::RememberSelectedGroup() { library_.group = SelectedRow(groupList_); }

void GroupCommands::GoOnWith(int row) {
  SelectGroupRow(row);
  library_.group = row;
  steps_.ShowGroup(groups_.GroupAt(row));
}

void GroupCommands::Add() {
  groups_.AddGroup();
  // The new group is the one the user goes on with: selected and shown, ready to record into.
  GoOnWith(groups_.rowCount() - 1);
}

bool GroupCommands::Delete() {
  const int removed = SelectedRow(groupList_);
  const auto group = removed >= 0 ? groups_.GroupAt(removed) : nullptr;
  if (!group) return false;
  const QString name = QString::fromStdWString(group->name);
  const QString keys = KeysUsingGroup(group->name);
  if (!keys.isEmpty()) {
    if (!messages_.Ask(ui::Tr("The macro group \"%1\" is assigned to %2. Those keys go on playing their own copy of "
                              "its steps. Delete the group?")
                           .arg(name, keys))) {
      return false;
    }
  } else if (!group->steps.empty() && !messages_.Ask(ui::Tr("Delete the macro group \"%1\" and its steps?").arg(name))) {
    return false;
  }
  groups_.RemoveGroup(removed);
  // The row that took the removed group's place stays selected (the new last row when the last
  // group went), so the group list and the step list keep showing the same group.
  const int count = groups_.rowCount();
  SelectGroupRow(std::min(removed, count - 1));
  library_.group = SelectedRow(groupList_);
  steps_.ShowGroup(library_.group >= 0 ? groups_.GroupAt(library_.group) : nullptr);
  return true;
}

QString GroupCommands::KeysUsingGroup(const std::wstring& name) const {
  if (!records_) return {};
  QStringList keys;
  for (const model::KeyRecord& record : *records_->Snapshot()) {
    if (record.type == kPageMacro && record.group == name) keys << QString::fromStdWString(record.name);
  }
  return keys.join(QStringLiteral(", "));
}

}  // namespace macro
