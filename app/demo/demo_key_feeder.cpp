#include "app/demo/demo_key_feeder.h"

#include <QKeyEvent>

#include "app/demo/qt_key_usage.h"

namespace app {

DemoKeyFeeder::DemoKeyFeeder(std::function<bool(std::uint32_t, bool)> keyChange, QObject* parent)
    : QObject(parent), keyChange_(std::move(keyChange)) {}

bool DemoKeyFeeder::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<const QKeyEvent*>(event);
  if (key->isAutoRepeat()) return false;
  const std::optional<std::uint16_t> usage =
      KeyboardUsageForQtKey(key->key(), key->modifiers(), key->nativeScanCode());
  if (!usage) return false;
  const std::uint32_t code = (static_cast<std::uint32_t>(kKeyboardUsagePage) << 16) | *usage;
  const bool down = type == QEvent::KeyPress;
  if (down ? down_.insert(code).second : down_.erase(code) > 0) return keyChange_(code, down);
  return false;  // not captured: the windows get their keys
}

}  // namespace app
