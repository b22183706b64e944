#pragma once
// The list of macro groups behind the "macro_group" view. One row per group of the library; a
// row's text is the group's name and can be edited in place (a real change renames the group,
// which saves macro.xml; an empty name or another group's name is refused). Rows picked by the
// user are reported to one listener.
#include <memory>

#include <QAbstractListModel>

#include "model/macro/macro_library.h"
#include "ui/macro_editor/macro_group_clicked_listener.h"

namespace macro {

class MacroGroupAdapter : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit MacroGroupAdapter(model::MacroLibrary& library, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // Editing a name: renames the group (saved only when the text differs from the old name). A
  // blank name or one another group has is refused: RenameRefused, and the old name stays.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The library's group at `index`; a negative index means the library's selected group.
  std::shared_ptr<model::MacroGroup> GroupAt(int index) const;
  // Adds a group (named "Group <n>" in the user's language, saved) and refreshes the list.
  void AddGroup();
  // Removes the group at `index` when it exists (saving); refreshes the list in any case.
  void RemoveGroup(int index);
  // Refreshes every row after the library changed behind the adapter's back.
  void Notify();

  // A row was picked: remembers it and tells the listener when the row has a group.
  void OnRowClicked(int row);
  int LastClickedRow() const { return lastClickedRow_; }

  void SetListener(IOnMacroGroupClickedListener* listener) { listener_ = listener; }

 signals:
  // Why a new name was refused, in English.
  void RenameRefused(const QString& reason);

 private:
  model::MacroLibrary& library_;
  int lastClickedRow_ = -1;
  IOnMacroGroupClickedListener* listener_ = nullptr;
};

}  // namespace macro
