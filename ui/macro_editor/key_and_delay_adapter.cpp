#include "ui/macro_editor/key_and_delay_adapter.h"

#include <QString>

#include "ui/macro_editor/typed_numbers.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {

KeyAndDelayAdapter::KeyAndDelayAdapter(model::MacroLibrary& library, QObject* parent)
    : QAbstractTableModel(parent), library_(library) {}

int KeyAndDelayAdapter::StepCount() const { return group_ ? static_cast<int>(group_->steps.size()) : 0; }

int KeyAndDelayAdapter::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : StepCount(); }

int KeyAndDelayAdapter::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant KeyAndDelayAdapter::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const model::MacroStep* step = StepAt(index.row());
  if (!step || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  switch (index.column()) {
    case kCodeColumn:
      return QString::number(step->code, 16);
    case kNameColumn:
      return QString::fromStdWString(step->name);
    case kStateColumn:
      return step->state == 1 ? ui::Tr("key down") : ui::Tr("key up");
    case kDelayColumn:
      return QString::number(int(step->delay));
    default:
      return {};
  }
}

QVariant KeyAndDelayAdapter::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  if (role == kColumnNameRole) return ColumnName(section);
  if (role != Qt::DisplayRole) return {};
  static const char* const kTitles[kColumnCount] = {"Code", "Key", "State", "Delay (ms)"};
  return ui::Tr(kTitles[section]);
}

bool KeyAndDelayAdapter::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || index.column() != kDelayColumn) return false;
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return false;
  if (!StepAt(index.row())) return false;
  const std::optional<int> delay = ReadDelayInRange(value.toString().toStdWString());
  if (!delay) {
    // Unreadable or out of range: the old delay shows again.
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    emit DelayRefused();
    return false;
  }
  SetStepDelay(index.row(), *delay);
  return true;
}

Qt::ItemFlags KeyAndDelayAdapter::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == kDelayColumn) flags |= Qt::ItemIsEditable;
  return flags;
}

QString KeyAndDelayAdapter::ColumnName(int column) { return QStringLiteral("col%1").arg(column + 1); }

bool KeyAndDelayAdapter::SortRequest(int column, std::span<SortMark> marks) {
  if (column == 5 || column < 0 || static_cast<std::size_t>(column) >= marks.size()) return false;
  const SortMark next = marks[static_cast<std::size_t>(column)] == SortMark::kUp ? SortMark::kDown : SortMark::kUp;
  for (SortMark& mark : marks) mark = SortMark::kNone;
  marks[static_cast<std::size_t>(column)] = next;
  return true;
}

void KeyAndDelayAdapter::ShowGroup(std::shared_ptr<model::MacroGroup> group) {
  beginResetModel();
  group_ = std::move(group);
  endResetModel();
}

const model::MacroStep* KeyAndDelayAdapter::StepAt(int index) const {
  if (!group_ || index < 0 || index >= StepCount()) return nullptr;
  return &group_->steps[static_cast<std::size_t>(index)];
}

void KeyAndDelayAdapter::AppendStep(model::KeyCode code, const std::wstring& name, int state, int delayMs) {
  if (!group_ || code == 0) return;
  const int row = StepCount();
  beginInsertRows(QModelIndex(), row, row);
  library_.AppendStep(group_, code, state, delayMs, name);
  endInsertRows();
}

void KeyAndDelayAdapter::SetStepDelay(int index, int delayMs) {
  if (!StepAt(index)) return;
  model::MacroStep& step = group_->steps[static_cast<std::size_t>(index)];
  if (int(step.delay) == int(model::DelayMs(delayMs))) return;
  step.delay = delayMs;
  const QModelIndex cell = this->index(index, kDelayColumn);
  emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

void KeyAndDelayAdapter::RemoveStep(int index) {
  beginResetModel();
  library_.RemoveStep(group_, index);
  endResetModel();
}

int KeyAndDelayAdapter::MoveStepUp(int index) {
  if (!StepAt(index) || index == 0) return 0;
  beginResetModel();
  const int moved = library_.MoveStepUp(group_, index);
  endResetModel();
  return moved;
}

int KeyAndDelayAdapter::MoveStepDown(int index) {
  if (!StepAt(index) || index + 1 >= StepCount()) return 0;
  beginResetModel();
  const int moved = library_.MoveStepDown(group_, index);
  endResetModel();
  return moved;
}

void KeyAndDelayAdapter::ClearSteps() {
  if (!group_) return;
  beginResetModel();
  library_.ClearSteps(group_);
  endResetModel();
}

void KeyAndDelayAdapter::Notify() {
  beginResetModel();
  endResetModel();
}

}  // namespace macro
