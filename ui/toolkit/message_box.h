#pragma once
// The program's message box, built from the layout "LAYOUT:SYS_XML_MSGBOX" (controls "msgtitle",
// "msgicon", "msgtext", "btnOK", "btnCancel"). Caption and text are given in English and shown in
// the current language. The box draws its own title row, which moves it.
#include <memory>

#include <QDialog>
#include <QString>

namespace ui {

class LayoutLoader;

// kOkCancel asks before something is removed or lost: Cancel is its default button.
enum class MessageButtons { kOk, kOkCancel };
// What the icon says: a warning ("!") or good news ("i"). The skin tells them apart by the icon's
// "messageIcon" property ("warning" or "information").
enum class MessageIcon { kWarning, kInformation };
// Results: 1 for OK, 2 for Cancel (and for closing the box any other way).
inline constexpr int kMessageOk = 1;
inline constexpr int kMessageCancel = 2;

class MessageBox {
 public:
  // Null (logged) when the layout cannot be built or lacks its controls.
  static std::unique_ptr<MessageBox> Create(LayoutLoader& loader, QWidget* parent, const QString& caption,
                                            const QString& text, MessageButtons buttons,
                                            MessageIcon icon = MessageIcon::kWarning);

  QDialog* Dialog() const { return dialog_.get(); }
  // Runs the box modally; kMessageOk or kMessageCancel.
  int Exec();

 private:
  explicit MessageBox(std::unique_ptr<QDialog> dialog) : dialog_(std::move(dialog)) {}
  std::unique_ptr<QDialog> dialog_;
};

// Shows a box and waits for it. When the layout is unusable the message is still shown, with
// Qt's own box, so the user never misses it.
int ShowMessageBox(LayoutLoader& loader, QWidget* parent, const QString& caption, const QString& text,
                   MessageButtons buttons, MessageIcon icon = MessageIcon::kWarning);

}  // namespace ui
