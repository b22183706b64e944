#include "ui/profiles/profile_prompts.h"

#include <memory>

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

#include "support/logger.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

constexpr const char* kNameLayout = "LAYOUT:profile_name";

std::optional<QString> AskNameWithDialog(LayoutLoader& loader, QWidget* parent, const QString& title,
                                         const QString& initial,
                                         const std::function<QString(const QString&)>& problem) {
  std::unique_ptr<QWidget> root = loader.Load(kNameLayout);
  auto* dialog = qobject_cast<QDialog*>(root.get());
  const std::vector<std::string> missing =
      MissingControls(dialog, {{"lbl_name_title", "QLabel"}, {"edit_profile_name", "QLineEdit"},
                               {"text_name_problem", "QLabel"}, {"btnOK", "QPushButton"},
                               {"btnCancel", "QAbstractButton"}});
  if (!dialog || !missing.empty()) {
    support::LogFailure("AskProfileName", std::string(kNameLayout) + " is not a dialog with its controls");
    return std::nullopt;
  }
  root.release();
  std::unique_ptr<QDialog> owned(dialog);
  if (parent) owned->setParent(parent, owned->windowFlags() | Qt::Dialog);
  owned->setModal(true);
  auto* titleLabel = FindControl<QLabel>(dialog, "lbl_name_title");
  UseOwnTitleRow(*owned, titleLabel);
  owned->setWindowTitle(title);
  titleLabel->setText(title);
  auto* edit = FindControl<QLineEdit>(dialog, "edit_profile_name");
  auto* problemText = FindControl<QLabel>(dialog, "text_name_problem");
  auto* ok = FindControl<QPushButton>(dialog, "btnOK");
  auto check = [edit, problemText, ok, &problem] {
    const QString text = problem(edit->text());
    problemText->setText(text);
    ok->setEnabled(text.isEmpty());
  };
  QObject::connect(edit, &QLineEdit::textChanged, dialog, check);
  QObject::connect(ok, &QAbstractButton::clicked, dialog, &QDialog::accept);
  QObject::connect(FindControl<QAbstractButton>(dialog, "btnCancel"), &QAbstractButton::clicked, dialog,
                   &QDialog::reject);
  ok->setDefault(true);
  edit->setText(initial);
  edit->selectAll();
  check();
  if (owned->exec() != QDialog::Accepted) return std::nullopt;
  return edit->text();
}

QString DocumentsFolder() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

std::optional<std::filesystem::path> Chosen(const QString& file) {
  if (file.isEmpty()) return std::nullopt;
  return QStringToPath(file);
}

}  // namespace

ProfilePrompts WithDefaultPrompts(ProfilePrompts given, LayoutLoader& loader) {
  if (!given.askName) {
    given.askName = [&loader](QWidget* parent, const QString& title, const QString& initial,
                              const std::function<QString(const QString&)>& problem) {
      return AskNameWithDialog(loader, parent, title, initial, problem);
    };
  }
  const QString profileFiles = Tr("Profiles") + QStringLiteral(" (*.xml)");
  if (!given.chooseExportFile) {
    given.chooseExportFile = [profileFiles](QWidget* parent, const QString& suggested) {
      return Chosen(QFileDialog::getSaveFileName(parent, Tr("Export this profile"),
                                                 DocumentsFolder() + QLatin1Char('/') + suggested, profileFiles));
    };
  }
  if (!given.chooseImportFile) {
    given.chooseImportFile = [profileFiles](QWidget* parent, const QString&) {
      return Chosen(QFileDialog::getOpenFileName(parent, Tr("Import a profile"), DocumentsFolder(), profileFiles));
    };
  }
  if (!given.chooseProgram) {
    given.chooseProgram = [](QWidget* parent, const QString&) {
#ifdef _WIN32
      const QString start = qEnvironmentVariable("ProgramFiles", QStringLiteral("C:/"));
      const QString filter = Tr("Programs") + QStringLiteral(" (*.exe)");
#else
      const QString start = QStringLiteral("/usr/bin");
      const QString filter;
#endif
      return Chosen(QFileDialog::getOpenFileName(parent, Tr("Choose a program"), start, filter));
    };
  }
  return given;
}

}  // namespace ui
