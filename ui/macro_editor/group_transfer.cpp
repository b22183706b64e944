#include "ui/macro_editor/group_transfer.h"

#include <QFileDialog>

#include "ui/macro_editor/editor_messages.h"
#include "ui/macro_editor/group_commands.h"
#include "ui/macro_editor/group_file.h"
#include "ui/macro_editor/group_names.h"
#include "ui/macro_editor/key_and_delay_adapter.h"
#include "ui/macro_editor/macro_group_adapter.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {

GroupTransfer::GroupTransfer(model::MacroLibrary& library, MacroGroupAdapter& groups, KeyAndDelayAdapter& steps,
                             GroupCommands& groupCommands, EditorMessages& messages, QWidget* window)
    : library_(library),
      groups_(groups),
      steps_(steps),
      groupCommands_(groupCommands),
      messages_(messages),
      window_(window) {}

void GroupTransfer::Import() {
  const auto path = chooseFile_ ? chooseFile_(GroupFileAction::kImport, QString())
                                : [this]() -> std::optional<std::filesystem::path> {
    const QString chosen = QFileDialog::getOpenFileName(window_, ui::Tr("Import"), QString(),
                                                        ui::Tr("Macro group") + QStringLiteral(" (*.xml)"));
    if (chosen.isEmpty()) return std::nullopt;
    return ui::QStringToPath(chosen);
  }();
  if (!path) return;

  model::MacroGroup imported;
  std::string error;
  if (!ImportGroupFile(*path, imported, error)) {
    messages_.Message(ui::Tr(error.c_str()));
    return;
  }
  // Named by the file unless that name is blank (then by the library); a name another group has
  // gets a number.
  const bool named = !IsBlankName(imported.name);
  const std::wstring name = named ? UniqueGroupName(library_, imported.name) : std::wstring();
  groups_.AddGroup();
  const int row = groups_.rowCount() - 1;
  const auto added = groups_.GroupAt(row);
  added->steps = std::move(imported.steps);
  if (named) added->name = name;
  library_.group = row;
  library_.Save();
  groups_.Notify();
  groupCommands_.SelectGroupRow(row);
  steps_.ShowGroup(added);
}

void GroupTransfer::Export() {
  const int row = groupCommands_.SelectedGroupRow();
  const auto group = row >= 0 ? groups_.GroupAt(row) : nullptr;
  if (!group) {
    messages_.Message(ui::Tr("Select a macro group to export first."));
    return;
  }
  const QString suggested = QString::fromStdWString(group->name) + QStringLiteral(".xml");
  const auto path = chooseFile_ ? chooseFile_(GroupFileAction::kExport, suggested)
                                : [&]() -> std::optional<std::filesystem::path> {
    const QString chosen = QFileDialog::getSaveFileName(window_, ui::Tr("Export"), suggested,
                                                        ui::Tr("Macro group") + QStringLiteral(" (*.xml)"));
    if (chosen.isEmpty()) return std::nullopt;
    return ui::QStringToPath(chosen);
  }();
  if (!path) return;
  if (!ExportGroupFile(*group, *path)) messages_.Message(ui::Tr("The macro group could not be saved to this file."));
}

}  // namespace macro
