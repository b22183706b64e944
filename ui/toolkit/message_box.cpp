#include "ui/toolkit/message_box.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "support/logger.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {

std::unique_ptr<MessageBox> MessageBox::Create(LayoutLoader& loader, QWidget* parent, const QString& caption,
                                               const QString& text, MessageButtons buttons) {
  std::unique_ptr<QWidget> root = loader.Load("LAYOUT:SYS_XML_MSGBOX");
  if (!root) return nullptr;
  const std::vector<std::string> missing = MissingControls(
      root.get(), {{"msgtitle", "QLabel"}, {"msgtext", "QLabel"}, {"btnOK", "QAbstractButton"},
                   {"btnCancel", "QAbstractButton"}});
  auto* dialogPtr = qobject_cast<QDialog*>(root.get());
  if (!dialogPtr || !missing.empty()) {
    support::LogFailure("MessageBox::Create", "layout \"LAYOUT:SYS_XML_MSGBOX\" is not a dialog with its controls");
    return nullptr;
  }
  std::unique_ptr<QDialog> dialog(static_cast<QDialog*>(root.release()));
  if (parent) dialog->setParent(parent, dialog->windowFlags() | Qt::Dialog);
  dialog->setModal(true);
  dialog->setWindowTitle(Tr(caption));
  FindControl<QLabel>(dialog.get(), "msgtitle")->setText(Tr(caption));
  FindControl<QLabel>(dialog.get(), "msgtext")->setText(Tr(text));
  auto* ok = FindControl<QAbstractButton>(dialog.get(), "btnOK");
  auto* cancel = FindControl<QAbstractButton>(dialog.get(), "btnCancel");
  QDialog* raw = dialog.get();
  QObject::connect(ok, &QAbstractButton::clicked, raw, [raw] { raw->done(kMessageOk); });
  QObject::connect(cancel, &QAbstractButton::clicked, raw, [raw] { raw->done(kMessageCancel); });
  cancel->setVisible(buttons == MessageButtons::kOkCancel);
  if (auto* okButton = qobject_cast<QPushButton*>(ok)) okButton->setDefault(true);
  return std::unique_ptr<MessageBox>(new MessageBox(std::move(dialog)));
}

int MessageBox::Exec() {
  const int result = dialog_->exec();
  return result == kMessageOk ? kMessageOk : kMessageCancel;
}

int ShowMessageBox(LayoutLoader& loader, QWidget* parent, const QString& caption, const QString& text,
                   MessageButtons buttons) {
  // What the user is told goes to the log too, for a report after the box is gone.
  support::Log("message box \"%s\": %s\n", Tr(caption).toUtf8().constData(), Tr(text).toUtf8().constData());
  if (std::unique_ptr<MessageBox> box = MessageBox::Create(loader, parent, caption, text, buttons)) {
    return box->Exec();
  }
  const QMessageBox::StandardButtons choice =
      buttons == MessageButtons::kOkCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok;
  return QMessageBox::warning(parent, Tr(caption), Tr(text), choice) == QMessageBox::Ok ? kMessageOk
                                                                                          : kMessageCancel;
}

}  // namespace ui
