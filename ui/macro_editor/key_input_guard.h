#pragma once
// Keeps typed keys away from a window's controls while it listens to the keyboard itself (the
// macro editor recording or capturing a key): every key press and release sent to the window or
// any widget inside it, also one created later, is swallowed, so Return, Esc, Space and Tab
// are keys to record and never press a button, close the window or move the focus. Shortcuts
// do not fire either. Application-wide event filters (the demo's key feeder) still see the keys.
#include <QObject>

class QWidget;

namespace macro {

class KeyInputGuard : public QObject {
  Q_OBJECT

 public:
  // Watches `root` and everything inside it; swallows nothing until SetActive(true).
  explicit KeyInputGuard(QWidget* root);

  void SetActive(bool active) { active_ = active; }
  bool IsActive() const { return active_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Watch(QObject* object);

  bool active_ = false;
};

}  // namespace macro
