#include "ui/macro_editor/editor_messages.h"

#include <QMetaObject>

#include "ui/toolkit/message_box.h"

namespace macro {

EditorMessages::EditorMessages(ui::LayoutLoader& loader, QWidget* parent) : loader_(loader), parent_(parent) {}

void EditorMessages::Message(const QString& text) {
  if (showMessage_) {
    showMessage_(text);
    return;
  }
  ui::ShowMessageBox(loader_, parent_, QStringLiteral("Warning"), text, ui::MessageButtons::kOk);
}

void EditorMessages::MessageLater(const QString& text) {
  laterMessages_.push_back(text);
  if (laterMessages_.size() > 1) return;  // shown after the ones before it
  QMetaObject::invokeMethod(
      this,
      [this] {
        // One box after the other: a message that comes while one is open waits for it.
        while (!laterMessages_.empty()) {
          Message(laterMessages_.front());
          laterMessages_.pop_front();
        }
      },
      Qt::QueuedConnection);
}

bool EditorMessages::Ask(const QString& text) {
  if (askUser_) return askUser_(text);
  return ui::ShowMessageBox(loader_, parent_, QStringLiteral("Warning"), text, ui::MessageButtons::kOkCancel) ==
         ui::kMessageOk;
}

}  // namespace macro
