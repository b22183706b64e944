#include "ui/main_window/about_box.h"

#include <system_error>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "support/logger.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/resource_package.h"
#include "ui/toolkit/xml_translator.h"

#ifndef KBCONFIG_VERSION
#error "KBCONFIG_VERSION names the program's version (set by CMake)"
#endif

namespace ui {

std::filesystem::path LicenceTextsPlace(const std::filesystem::path& executableFolder) {
  const std::filesystem::path candidates[] = {
      executableFolder / "licenses",
      (executableFolder / ".." / "share" / "doc" / "kbconfig" / "copyright").lexically_normal()};
  for (const std::filesystem::path& place : candidates) {
    std::error_code ec;
    if (std::filesystem::exists(place, ec)) return place;
  }
  return {};
}

std::unique_ptr<AboutBox> AboutBox::Create(LayoutLoader& loader, const ResourcePackage& package, QWidget* parent,
                                           const std::filesystem::path& dataFolder,
                                           const std::filesystem::path& executableFolder) {
  std::unique_ptr<QWidget> root = loader.Load(kLayoutName);
  if (!root) return nullptr;
  const std::vector<std::string> missing =
      MissingControls(root.get(), {{"lbl_about_title", "QLabel"},
                                   {"about_version", "QLabel"},
                                   {"about_data_folder", "QLineEdit"},
                                   {"about_licences", "QPlainTextEdit"},
                                   {"lbl_about_licence_files", "QLabel"},
                                   {"about_licence_files", "QLineEdit"},
                                   {"btn_about_close", "QAbstractButton"}});
  auto* dialogPtr = qobject_cast<QDialog*>(root.get());
  if (!dialogPtr || !missing.empty()) {
    support::LogFailure("AboutBox::Create", std::string(kLayoutName) + " is not a dialog with its controls");
    return nullptr;
  }
  std::unique_ptr<QDialog> dialog(static_cast<QDialog*>(root.release()));
  if (parent) dialog->setParent(parent, dialog->windowFlags() | Qt::Dialog);
  dialog->setModal(true);
  UseOwnTitleRow(*dialog, FindControl<QLabel>(dialog.get(), "lbl_about_title"));

  FindControl<QLabel>(dialog.get(), "about_version")
      ->setText(Tr("Version %1 (Qt %2)").arg(QStringLiteral(KBCONFIG_VERSION), QString::fromLatin1(qVersion())));
  // Paths in read-only fields, as the system writes them: a long one scrolls instead of being cut,
  // and copies exactly.
  auto shown = [](const std::filesystem::path& path) { return QDir::toNativeSeparators(PathToQString(path)); };
  FindControl<QLineEdit>(dialog.get(), "about_data_folder")->setText(shown(dataFolder));
  const QString notices = package.ReadText("about:notices");
  if (notices.isEmpty()) support::LogFailure("AboutBox::Create", "the package holds no \"about:notices\"");
  FindControl<QPlainTextEdit>(dialog.get(), "about_licences")->setPlainText(notices);
  const std::filesystem::path texts = LicenceTextsPlace(executableFolder);
  FindControl<QLineEdit>(dialog.get(), "about_licence_files")->setText(shown(texts));
  for (const char* name : {"lbl_about_licence_files", "about_licence_files"}) {
    FindControl<QWidget>(dialog.get(), name)->setVisible(!texts.empty());
  }

  auto* close = FindControl<QAbstractButton>(dialog.get(), "btn_about_close");
  QDialog* raw = dialog.get();
  QObject::connect(close, &QAbstractButton::clicked, raw, &QDialog::accept);
  close->setFocus(Qt::OtherFocusReason);
  return std::unique_ptr<AboutBox>(new AboutBox(std::move(dialog)));
}

}  // namespace ui
