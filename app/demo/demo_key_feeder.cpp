#include "app/demo/demo_key_feeder.h"

#include <optional>

#include <QKeyEvent>
#include <QTimer>

#include "app/demo/qt_key_usage.h"

namespace app {

DemoKeyFeeder::DemoKeyFeeder(KeyChange keyChange, CaptureQuery captures, QObject* parent)
    : QObject(parent), keyChange_(std::move(keyChange)), captures_(std::move(captures)) {}

bool DemoKeyFeeder::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
    return QObject::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  const std::optional<std::uint16_t> usage =
      KeyboardUsageForQtKey(key->key(), key->modifiers(), key->nativeScanCode());
  if (!usage) return false;
  const std::uint32_t code = (static_cast<std::uint32_t>(kKeyboardUsagePage) << 16) | *usage;

  if (type == QEvent::ShortcutOverride) {
    // Accepted and kept: no shortcut of the program fires for a key the filter will capture.
    if (!capturedDown_.count(code) && !(captures_ && captures_(code))) return false;
    key->accept();
    return true;
  }
  if (key->isAutoRepeat()) return capturedDown_.count(code) > 0;
  return type == QEvent::KeyPress ? OnPress(code, key->timestamp()) : OnRelease(code, key->timestamp());
}

bool DemoKeyFeeder::OnPress(std::uint32_t code, quint64 timestamp) {
  if (const auto pending = pendingReleases_.find(code); pending != pendingReleases_.end()) {
    if (pending->second == timestamp) {
      // A repeat: the key never went up.
      pendingReleases_.erase(pending);
      down_.insert(code);
      return capturedDown_.count(code) > 0;
    }
    FlushRelease(code, pending->second);  // a real release, then a new press
  }
  if (!down_.insert(code).second) return false;  // the same press, further up the widget tree
  const bool captured = keyChange_(code, true);
  if (captured) capturedDown_.insert(code);
  return captured;
}

bool DemoKeyFeeder::OnRelease(std::uint32_t code, quint64 timestamp) {
  if (down_.erase(code) == 0) return false;  // seen already, or never pressed
  pendingReleases_[code] = timestamp;
  QTimer::singleShot(kRepeatWindowMs, this, [this, code, timestamp] { FlushRelease(code, timestamp); });
  // A release belongs where its press went.
  return capturedDown_.count(code) > 0;
}

void DemoKeyFeeder::FlushRelease(std::uint32_t code, quint64 timestamp) {
  const auto pending = pendingReleases_.find(code);
  if (pending == pendingReleases_.end() || pending->second != timestamp) return;
  pendingReleases_.erase(pending);
  keyChange_(code, false);
  capturedDown_.erase(code);
}

}  // namespace app
