#pragma once
// The folder the macro editor's import and export dialogs open in: the user's documents folder
// (their home folder when it has none) until a file is imported or exported, then that file's
// folder. One object lives as long as the main window, so every opening of the editor shares it.
#include <QString>

namespace macro {

class GroupFolder {
 public:
  QString Current() const;
  // The folder of `file`, chosen in a dialog, is where the next dialog opens.
  void Remember(const QString& file);

 private:
  QString last_;
};

}  // namespace macro
