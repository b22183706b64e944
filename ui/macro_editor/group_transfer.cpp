#include "ui/macro_editor/group_transfer.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

#include "ui/macro_editor/editor_messages.h"
#include "ui/macro_editor/group_commands.h"
#include "ui/macro_editor/group_file.h"
#include "ui/macro_editor/group_names.h"
#include "ui/macro_editor/key_and_delay_adapter.h"
#include "ui/macro_editor/macro_group_adapter.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {
namespace {

// At most this many changes are listed one by one; the rest are counted.
constexpr std::size_t kListedChanges = 10;

QString ChangeText(const ImportChange& change, const QString& groupName) {
  const QString written = change.written.empty() ? QStringLiteral("0") : QString::fromStdString(change.written);
  switch (change.kind) {
    case ImportChange::Kind::kCodeRefused:
      return ui::Tr("Step %1 left out: %2 is not a key code a macro can press.").arg(change.step).arg(written);
    case ImportChange::Kind::kStateRefused:
      return ui::Tr("Step %1 left out: state %2 is neither 1 (key down) nor 0 (key up).").arg(change.step).arg(written);
    case ImportChange::Kind::kDelayClamped:
      return ui::Tr("Step %1: delay %2 ms taken as %3 ms.").arg(change.step).arg(written).arg(change.takenAs);
    case ImportChange::Kind::kUnnamed:
      return ui::Tr("The group has no name in the file; it is named \"%1\".").arg(groupName);
  }
  return {};
}

// One notice for every change an import made.
QString ImportChangesText(const std::vector<ImportChange>& changes, const QString& groupName) {
  QStringList lines{ui::Tr("The macro group \"%1\" was imported with changes, so that it plays as it shows:").arg(groupName)};
  for (std::size_t i = 0; i < changes.size() && i < kListedChanges; ++i) lines << ChangeText(changes[i], groupName);
  if (changes.size() > kListedChanges) {
    lines << ui::Tr("and %1 more changes").arg(static_cast<qulonglong>(changes.size() - kListedChanges));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

GroupTransfer::GroupTransfer(model::MacroLibrary& library, MacroGroupAdapter& groups, KeyAndDelayAdapter& steps,
                             GroupCommands& groupCommands, EditorMessages& messages, QWidget* window,
                             GroupFolder* folder)
    : library_(library),
      groups_(groups),
      steps_(steps),
      groupCommands_(groupCommands),
      messages_(messages),
      window_(window),
      folder_(folder ? *folder : ownFolder_) {}

std::optional<std::filesystem::path> GroupTransfer::ChooseFile(GroupFileAction action, const QString& start) {
  std::optional<std::filesystem::path> path;
  if (chooseFile_) {
    path = chooseFile_(action, start);
  } else {
    const QString filter = ui::Tr("Macro group") + QStringLiteral(" (*.xml)");
    const QString chosen = action == GroupFileAction::kImport
                               ? QFileDialog::getOpenFileName(window_, ui::Tr("Import"), start, filter)
                               : QFileDialog::getSaveFileName(window_, ui::Tr("Export"), start, filter);
    if (!chosen.isEmpty()) path = ui::QStringToPath(chosen);
  }
  if (path) folder_.Remember(ui::PathToQString(*path));
  return path;
}

void GroupTransfer::Import() {
  const auto path = ChooseFile(GroupFileAction::kImport, folder_.Current());
  if (!path) return;

  model::MacroGroup imported;
  std::string error;
  std::vector<ImportChange> changes;
  if (!ImportGroupFile(*path, imported, error, &changes)) {
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
  if (!changes.empty()) messages_.Message(ImportChangesText(changes, QString::fromStdWString(added->name)));
}

void GroupTransfer::Export() {
  const int row = groupCommands_.SelectedGroupRow();
  const auto group = row >= 0 ? groups_.GroupAt(row) : nullptr;
  if (!group) {
    messages_.Message(ui::Tr("Select a macro group to export first."));
    return;
  }
  const QString fileName = QString::fromStdWString(GroupFileName(group->name, ui::Tr("Macro group").toStdWString()));
  const auto path = ChooseFile(GroupFileAction::kExport, QDir(folder_.Current()).filePath(fileName));
  if (!path) return;
  if (!ExportGroupFile(*group, *path)) messages_.Message(ui::Tr("The macro group could not be saved to this file."));
}

}  // namespace macro
