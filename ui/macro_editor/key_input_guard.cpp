#include "ui/macro_editor/key_input_guard.h"

#include <QChildEvent>
#include <QEvent>
#include <QWidget>

namespace macro {

KeyInputGuard::KeyInputGuard(QWidget* root) : QObject(root) { Watch(root); }

void KeyInputGuard::Watch(QObject* object) {
  if (!object->isWidgetType()) return;
  object->installEventFilter(this);
  for (QObject* child : object->children()) Watch(child);
}

bool KeyInputGuard::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      // An in-place editor of a list, a popup: watched from the start.
      Watch(static_cast<QChildEvent*>(event)->child());
      break;
    case QEvent::ShortcutOverride:
      if (!active_) break;
      event->accept();  // taken by the focus widget: no shortcut fires
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      if (active_) return true;
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace macro
