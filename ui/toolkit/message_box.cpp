#include "ui/toolkit/message_box.h"

#include <initializer_list>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "support/logger.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

constexpr const char* kMessageIconProperty = "messageIcon";

// A text longer than the layout's label makes the box taller (the buttons move down with it)
// rather than being cut off.
void GrowToFitText(QDialog& dialog, QLabel& text, std::initializer_list<QWidget*> below) {
  dialog.ensurePolished();
  text.ensurePolished();
  const int extra = text.heightForWidth(text.width()) - text.height();
  if (extra <= 0) return;
  text.resize(text.width(), text.height() + extra);
  for (QWidget* widget : below) widget->move(widget->x(), widget->y() + extra);
  dialog.resize(dialog.width(), dialog.height() + extra);
}

}  // namespace

std::unique_ptr<MessageBox> MessageBox::Create(LayoutLoader& loader, QWidget* parent, const QString& caption,
                                               const QString& text, MessageButtons buttons, MessageIcon icon) {
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
  UseOwnTitleRow(*dialog, FindControl<QLabel>(dialog.get(), "msgtitle"));
  dialog->setWindowTitle(Tr(caption));
  FindControl<QLabel>(dialog.get(), "msgtitle")->setText(Tr(caption));
  FindControl<QLabel>(dialog.get(), "msgtext")->setText(Tr(text));
  if (auto* iconLabel = FindControl<QLabel>(dialog.get(), "msgicon")) {
    const bool information = icon == MessageIcon::kInformation;
    iconLabel->setText(information ? QStringLiteral("i") : QStringLiteral("!"));
    iconLabel->setProperty(kMessageIconProperty, information ? "information" : "warning");
  }
  auto* ok = FindControl<QAbstractButton>(dialog.get(), "btnOK");
  auto* cancel = FindControl<QAbstractButton>(dialog.get(), "btnCancel");
  QDialog* raw = dialog.get();
  QObject::connect(ok, &QAbstractButton::clicked, raw, [raw] { raw->done(kMessageOk); });
  QObject::connect(cancel, &QAbstractButton::clicked, raw, [raw] { raw->done(kMessageCancel); });
  cancel->setVisible(buttons == MessageButtons::kOkCancel);
  GrowToFitText(*dialog, *FindControl<QLabel>(dialog.get(), "msgtext"), {ok, cancel});
  // OK and Cancel asks before something is removed or lost: Return and a stray Space take the
  // safe answer, Cancel.
  QAbstractButton* safe = buttons == MessageButtons::kOkCancel ? cancel : ok;
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(button == safe);
  }
  safe->setFocus(Qt::OtherFocusReason);
  return std::unique_ptr<MessageBox>(new MessageBox(std::move(dialog)));
}

int MessageBox::Exec() {
  const int result = dialog_->exec();
  return result == kMessageOk ? kMessageOk : kMessageCancel;
}

int ShowMessageBox(LayoutLoader& loader, QWidget* parent, const QString& caption, const QString& text,
                   MessageButtons buttons, MessageIcon icon) {
  // The log says what the user was told (in English, as the program words it).
  support::Log("message box \"%s\": %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
  if (std::unique_ptr<MessageBox> box = MessageBox::Create(loader, parent, caption, text, buttons, icon)) {
    return box->Exec();
  }
  const QMessageBox::StandardButtons choice =
      buttons == MessageButtons::kOkCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok;
  const QMessageBox::StandardButton safe =
      buttons == MessageButtons::kOkCancel ? QMessageBox::Cancel : QMessageBox::Ok;
  const QMessageBox::StandardButton answer =
      icon == MessageIcon::kInformation ? QMessageBox::information(parent, Tr(caption), Tr(text), choice, safe)
                                        : QMessageBox::warning(parent, Tr(caption), Tr(text), choice, safe);
  return answer == QMessageBox::Ok ? kMessageOk : kMessageCancel;
}

}  // namespace ui
