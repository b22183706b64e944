#pragma once
// The macro editor's import and export of one macro group through a file of its own.
#include <filesystem>
#include <functional>
#include <optional>

#include <QString>

#include "model/macro/macro_library.h"

class QWidget;

namespace macro {

class EditorMessages;
class GroupCommands;
class KeyAndDelayAdapter;
class MacroGroupAdapter;

enum class GroupFileAction { kImport, kExport };

class GroupTransfer {
 public:
  // Asks for the file to import from or export to (`suggestedName`: the group's name on export).
  // Nullopt when the user cancels.
  using FileChooser = std::function<std::optional<std::filesystem::path>(GroupFileAction action,
                                                                         const QString& suggestedName)>;

  GroupTransfer(model::MacroLibrary& library, MacroGroupAdapter& groups, KeyAndDelayAdapter& steps,
                GroupCommands& groupCommands, EditorMessages& messages, QWidget* window);

  // Replaces the file dialogs (tests).
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

  // Adds the group of a chosen file as a new group, selected and shown.
  void Import();
  // Writes the selected group to a chosen file.
  void Export();

 private:
  model::MacroLibrary& library_;
  MacroGroupAdapter& groups_;
  KeyAndDelayAdapter& steps_;
  GroupCommands& groupCommands_;
  EditorMessages& messages_;
  QWidget* window_;
  FileChooser chooseFile_;
};

}  // namespace macro
