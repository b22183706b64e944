#pragma once
// Feeds the demo's emulated key filter from the keys typed into the program's windows: an
// application-wide event filter turns each key press and release into a keyboard usage, as a
// keyboard filter driver would see it. Like the driver, it keeps the keys the filter captures
// from the program's own controls (no typing, no shortcut), and it sees no auto-repeat: a held
// key is one press and one release.
//
// X servers repeat a held key as a release and a press with the same time stamp, which Qt does
// not always mark as a repeat. So a release reaches the filter only when no press of the same
// key with the same time stamp follows within kRepeatWindowMs.
#include <cstdint>
#include <functional>
#include <map>
#include <set>

#include <QObject>

namespace app {

class DemoKeyFeeder : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRepeatWindowMs = 20;

  // keyChange(code, down): a key went down or up; true when the filter captured it. captures(code):
  // whether the filter would capture the key now. code is page << 16 | usage.
  using KeyChange = std::function<bool(std::uint32_t code, bool down)>;
  using CaptureQuery = std::function<bool(std::uint32_t code)>;
  DemoKeyFeeder(KeyChange keyChange, CaptureQuery captures, QObject* parent = nullptr);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool OnPress(std::uint32_t code, quint64 timestamp);
  bool OnRelease(std::uint32_t code, quint64 timestamp);
  // Hands a held-back release to the filter (unless a repeat's press has taken it back).
  void FlushRelease(std::uint32_t code, quint64 timestamp);

  KeyChange keyChange_;
  CaptureQuery captures_;
  // A key event travels up the widget tree and reaches the filter once per widget; each key is
  // reported once per press and once per release.
  std::set<std::uint32_t> down_;
  // Keys whose press was captured: their repeats and their release are the filter's too.
  std::set<std::uint32_t> capturedDown_;
  // Releases held back for kRepeatWindowMs: key code -> the release's time stamp.
  std::map<std::uint32_t, quint64> pendingReleases_;
};

}  // namespace app
