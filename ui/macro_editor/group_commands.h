#pragma once
// The macro editor's group list: which row is selected (and so which group the step list shows
// and the library remembers), adding a group and deleting one.
#include <string>

#include <QString>

#include "model/macro/macro_library.h"
#include "model/records/record_store.h"

class QListView;

namespace macro {

class EditorMessages;
class KeyAndDelayAdapter;
class MacroGroupAdapter;

class GroupCommands {
 public:
  // `records`: to name the keys that use a group about to be deleted (may be null).
  GroupCommands(model::MacroLibrary& library, MacroGroupAdapter& groups, KeyAndDelayAdapter& steps,
                QListView* groupList, const model::RecordStore* records, EditorMessages& messages);

  int SelectedGroupRow() const;
  // Selects `row` (none when out of range) without taking it as the user's pick.
  void SelectGroupRow(int row);
  // True while SelectGroupRow changes the selection.
  bool SelectingGroup() const { return selectingGroup_; }
  // The library's selected group becomes the list's selected row.
  void RememberSelectedGroup();
  // Selects and shows `row` as the library's group, the one the user goes on with.
  void GoOnWith(int row);

  // Adds a group (named and saved by the library) and goes on with it.
  void Add();
  // Deletes the selected group, after asking when keys play it or it has steps. The row that takes
  // its place stays selected and shown. False when nothing was deleted.
  bool Delete();

 private:
  // The keys whose records play the group named `name`, joined by ", ".
  QString KeysUsingGroup(const std::wstring& name) const;

  model::MacroLibrary& library_;
  MacroGroupAdapter& groups_;
  KeyAndDelayAdapter& steps_;
  QListView* groupList_;
  const model::RecordStore* records_;
  EditorMessages& messages_;
  bool selectingGroup_ = false;  // a selection made by the editor itself, not by the user
};

}  // namespace macro
