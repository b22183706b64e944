#include "ui/macro_editor/macro_group_adapter.h"

#include <QString>

#include "ui/macro_editor/group_names.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {

MacroGroupAdapter::MacroGroupAdapter(model::MacroLibrary& library, QObject* parent)
    : QAbstractListModel(parent), library_(library) {}

int MacroGroupAdapter::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : library_.GroupCount();
}

QVariant MacroGroupAdapter::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const auto group = library_.GroupAt(index.row());
  return group ? QString::fromStdWString(group->name) : QString();
}

bool MacroGroupAdapter::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole) return false;
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return false;
  const std::wstring name = value.toString().toStdWString();
  if (const std::optional<std::string> problem = GroupNameProblem(library_, index.row(), name)) {
    emit RenameRefused(QString::fromStdString(*problem));
    return false;
  }
  if (library_.RenameGroup(index.row(), name) == 0) return false;
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

Qt::ItemFlags MacroGroupAdapter::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

std::shared_ptr<model::MacroGroup> MacroGroupAdapter::GroupAt(int index) const { return library_.GroupAt(index); }

void MacroGroupAdapter::AddGroup() {
  beginResetModel();
  library_.AddGroup(ui::Tr("Group").toStdWString());
  endResetModel();
}

void MacroGroupAdapter::RemoveGroup(int index) {
  beginResetModel();
  library_.RemoveGroup(index);
  endResetModel();
}

void MacroGroupAdapter::Notify() {
  beginResetModel();
  endResetModel();
}

void MacroGroupAdapter::OnRowClicked(int row) {
  lastClickedRow_ = row;
  const auto group = library_.GroupAt(row);
  if (group && listener_) listener_->OnMacroGroupClicked(row, group->name);
}

}  // namespace macro
