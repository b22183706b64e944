#pragma once
// The questions the profile box asks the user: a name, a file to export to or import from, a
// program for a rule. Each is a function, so tests answer them; an empty one asks with the
// program's own dialogs (DefaultProfilePrompts).
#include <filesystem>
#include <functional>
#include <optional>

#include <QString>
#include <QWidget>

namespace ui {

class LayoutLoader;

struct ProfilePrompts {
  // Asks for a profile name, starting with `initial`; `problem` says what is wrong with a name
  // (empty when nothing is). Nothing when the user cancels.
  using AskName = std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& initial,
                                                       const std::function<QString(const QString&)>& problem)>;
  // Asks for a file: to save to (`suggested` is the file name offered) or to open.
  using ChooseFile = std::function<std::optional<std::filesystem::path>(QWidget* parent, const QString& suggested)>;

  AskName askName;
  ChooseFile chooseExportFile;
  ChooseFile chooseImportFile;
  ChooseFile chooseProgram;
};

// The prompts of `given`, with the program's own dialogs for those it leaves empty.
ProfilePrompts WithDefaultPrompts(ProfilePrompts given, LayoutLoader& loader);

}  // namespace ui
