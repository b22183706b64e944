#pragma once
// The macro editor's ears: its listener on the key filter channel and what it listens for.
//
// The listener sits in front of every other one and consumes every event, so while it is attached
// the main window's own key handling receives nothing. It runs on the channel's monitor thread and
// only queues the event to this object's thread (the window thread), where the handler runs.
//
// Listening (recording or capturing a key) restarts monitoring and puts the filter in its
// every-key mode; ending it stops monitoring and ends that mode, dropping what was queued. Events
// queued before a change are not acted on after it. While it listens, typed keys never reach the
// window's controls.
#include <atomic>
#include <cstdint>
#include <functional>

#include <QObject>

#include "hostdrv/key_filter_channel.h"
#include "model/keys/key_code.h"

class QWidget;

namespace macro {

class KeyInputGuard;

// What the editor listens to the keyboard for.
enum class Listening { kNothing, kRecording, kCapturing };

class KeyListening : public QObject {
  Q_OBJECT

 public:
  // A key event on the window thread while listening: `code` page << 16 | usage, `down` 1 press.
  using Handler = std::function<void(Listening what, model::KeyCode code, bool down)>;

  // Attaches the listener in front of the channel's others. `window`: the window whose controls
  // typed keys must not reach while listening.
  KeyListening(HidUsbFilter::KeyFilterChannel& channel, QWidget* window, Handler handler);
  // Stops monitoring, detaches the listener, then restarts the channel's monitoring (which ends
  // the filter's every-key mode and drops what it queued). Queued events die with this object.
  ~KeyListening() override;
  KeyListening(const KeyListening&) = delete;
  KeyListening& operator=(const KeyListening&) = delete;

  // The channel's listener (monitor thread): queues the event to the window thread. Always 1.
  std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down);
  // A key event on the window thread, handled when the editor listens for it.
  void Deliver(model::KeyCode code, bool down);

  // Starts or ends listening (ending is always carried out: it also stops a monitoring the editor
  // found running).
  void Listen(Listening what);
  Listening What() const { return listening_; }

 private:
  void DeliverOf(std::uint64_t session, model::KeyCode code, bool down);
  // Restarts the channel's monitoring and, when the monitor thread started, sends the mode
  // request. True when it started.
  bool RestartMonitoring();

  HidUsbFilter::KeyFilterChannel& channel_;
  KeyInputGuard* keyGuard_;  // owned by the window
  Handler handler_;
  Listening listening_ = Listening::kNothing;
  // Changes with every start and end of listening; a queued event of another session is dropped.
  std::atomic<std::uint64_t> listenSession_{0};
};

}  // namespace macro
