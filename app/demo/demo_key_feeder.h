#pragma once
// Feeds the demo's emulated key filter from the keys typed into the program's windows: an
// application-wide event filter turns each key press and release into a keyboard usage. A key
// the filter captures is taken from the windows, as a real keyboard filter takes it from the
// system (while the macro editor records, Return is a key to record, not the default button).
#include <cstdint>
#include <functional>
#include <set>

#include <QObject>

namespace app {

class DemoKeyFeeder : public QObject {
  Q_OBJECT

 public:
  // keyChange(code, down): code is page << 16 | usage; true when the filter captured the key.
  explicit DemoKeyFeeder(std::function<bool(std::uint32_t code, bool down)> keyChange, QObject* parent = nullptr);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool(std::uint32_t, bool)> keyChange_;
  // A key event travels up the widget tree and reaches the filter once per widget; each key is
  // reported once per press and once per release.
  std::set<std::uint32_t> down_;
};

}  // namespace app
