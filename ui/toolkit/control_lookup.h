#pragma once
// Finding controls below a window by name or by the numeric ID the layout loader stamped on them,
// with a class check: a control of another class than asked for gives null.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QWidget>

namespace ui {

// Dynamic properties the layout loader sets on controls.
inline constexpr const char* kControlIdProperty = "kbId";        // the ID of the control name table
inline constexpr const char* kElementClassProperty = "kbClass";  // our element name ("cbimg", "editex", ...)
inline constexpr const char* kLaidOutProperty = "kbLaidOut";     // true: the layout placed the control

// The control's ID from the name table; -1 when it has none.
inline int ControlId(const QObject* control) {
  if (!control) return -1;
  bool ok = false;
  const int id = control->property(kControlIdProperty).toInt(&ok);
  return ok ? id : -1;
}

inline QString ControlNameOf(const QObject* control) { return control ? control->objectName() : QString(); }

// True when the control was created for the element name (e.g. "editex").
inline bool IsElement(const QObject* control, const char* elementName) {
  return control && control->property(kElementClassProperty).toByteArray() == QByteArray(elementName);
}

template <class T>
T* FindControl(QWidget* root, const QString& name) {
  if (!root || name.isEmpty()) return nullptr;
  QWidget* found = root->objectName() == name ? root : root->findChild<QWidget*>(name);
  return qobject_cast<T*>(found);
}

template <class T>
T* FindControlById(QWidget* root, int id) {
  if (!root) return nullptr;
  if (ControlId(root) == id) return qobject_cast<T*>(root);
  for (QWidget* child : root->findChildren<QWidget*>()) {
    if (ControlId(child) == id) return qobject_cast<T*>(child);
  }
  return nullptr;
}

}  // namespace ui
