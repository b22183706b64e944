#pragma once
// The macro editor's import and export of one macro group through a file of its own.
#include <filesystem>
#include <functional>
#include <optional>

#include <QString>

#include "model/macro/macro_library.h"
#include "ui/macro_editor/group_folder.h"

class QWidget;

namespace macro {

class EditorMessages;
class GroupCommands;
class KeyAndDelayAdapter;
class MacroGroupAdapter;

enum class GroupFileAction { kImport, kExport };

class GroupTransfer {
 public:
  // Asks for the file to import from or export to. `start`: the folder the dialog opens in, on
  // export with the proposed file name (made from the group's name) in it. Nullopt when the user
  // cancels.
  using FileChooser =
      std::function<std::optional<std::filesystem::path>(GroupFileAction action, const QString& start)>;

  // `folder`: where the dialogs open, remembered beyond this editor (null: for this editor only).
  GroupTransfer(model::MacroLibrary& library, MacroGroupAdapter& groups, KeyAndDelayAdapter& steps,
                GroupCommands& groupCommands, EditorMessages& messages, QWidget* window, GroupFolder* folder);

  // Replaces the file dialogs (tests).
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

  // Adds the group of a chosen file as a new group, selected and shown. What was changed to make
  // its steps playable (or to name it) is told in one message.
  void Import();
  // Writes the selected group to a file the user chooses in a save dialog that proposes a file
  // name made from the group's name (the whole name is kept inside the file).
  void Export();

 private:
  // The file the user picks (the dialog, or the chooser in its place); its folder is remembered.
  std::optional<std::filesystem::path> ChooseFile(GroupFileAction action, const QString& start);

  model::MacroLibrary& library_;
  MacroGroupAdapter& groups_;
  KeyAndDelayAdapter& steps_;
  GroupCommands& groupCommands_;
  EditorMessages& messages_;
  QWidget* window_;
  GroupFolder ownFolder_;
  GroupFolder& folder_;
  FileChooser chooseFile_;
};

}  // namespace macro
