#pragma once
// The steps of the shown macro group behind the "key_info" view: four columns ("col1" to "col4")
// with the key code in lower-case hexadecimal, the key's name, its state ("key down" for a press,
// "key up" for anything else) and the delay, which can be edited in place (0 to one hour). Step edits go to the
// library's group but are not saved here: they reach macro.xml with the library's next save.
#include <memory>
#include <span>
#include <string>

#include <QAbstractTableModel>

#include "model/macro/macro_library.h"

namespace macro {

enum class SortMark { kNone, kUp, kDown };

class KeyAndDelayAdapter : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 4;
  static constexpr int kCodeColumn = 0;
  static constexpr int kNameColumn = 1;
  static constexpr int kStateColumn = 2;
  static constexpr int kDelayColumn = 3;
  // The header role that gives a column's layout name ("col1" ...).
  static constexpr int kColumnNameRole = Qt::UserRole + 1;

  explicit KeyAndDelayAdapter(model::MacroLibrary& library, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // Only the delay column is editable; the text is read by ReadDelayInRange. An unreadable text
  // or one out of range keeps the old delay (false, DelayRefused, and the row is refreshed so the
  // old value shows again).
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  static QString ColumnName(int column);
  // A click on a column header asks to sort: column 5 is refused (false), as is a column outside
  // `marks`; otherwise that column's mark turns up (from none or down) or down (from up), every
  // other mark is cleared, and the answer is true. The steps themselves keep their order.
  static bool SortRequest(int column, std::span<SortMark> marks);

  std::shared_ptr<model::MacroGroup> ShownGroup() const { return group_; }
  void ShowGroup(std::shared_ptr<model::MacroGroup> group);
  // The step at `index`, or null when out of range or no group is shown.
  const model::MacroStep* StepAt(int index) const;
  // Appends when a group is shown and the code is not 0.
  void AppendStep(model::KeyCode code, const std::wstring& name, int state, int delayMs);
  // Sets the delay of an existing step.
  void SetStepDelay(int index, int delayMs);
  void RemoveStep(int index);
  // 1 when the step moved (the list is refreshed), else 0.
  int MoveStepUp(int index);
  int MoveStepDown(int index);
  void ClearSteps();
  void Notify();

 signals:
  void DelayRefused();

 private:
  int StepCount() const;

  model::MacroLibrary& library_;
  std::shared_ptr<model::MacroGroup> group_;
};

}  // namespace macro
