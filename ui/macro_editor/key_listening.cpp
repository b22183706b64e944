#include "ui/macro_editor/key_listening.h"

#include <QMetaObject>

#include "hostdrv/filter_requests.h"
#include "ui/macro_editor/key_input_guard.h"

namespace macro {

KeyListening::KeyListening(HidUsbFilter::KeyFilterChannel& channel, QWidget* window, Handler handler)
    : channel_(channel), keyGuard_(new KeyInputGuard(window)), handler_(std::move(handler)) {
  channel_.AddListener(this, &KeyListening::OnKeyEvent);
}

KeyListening::~KeyListening() {
  // Monitoring is stopped before the listener goes, so no key typed while the editor was open
  // reaches the main window's routine: the restart drops whatever waits in the driver. After this
  // no event can be queued to this object; queued ones die with it.
  channel_.StopMonitoring();
  channel_.RemoveListener(this, &KeyListening::OnKeyEvent);
  channel_.StartMonitoring();
}

std::int32_t KeyListening::OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
  const model::KeyCode code = (page << 16) | (usage & 0xFFFF);
  const bool pressed = down != 0;
  const std::uint64_t session = listenSession_.load();
  QMetaObject::invokeMethod(
      this, [this, session, code, pressed] { DeliverOf(session, code, pressed); }, Qt::QueuedConnection);
  return 1;
}

void KeyListening::Deliver(model::KeyCode code, bool down) { DeliverOf(listenSession_.load(), code, down); }

void KeyListening::DeliverOf(std::uint64_t session, model::KeyCode code, bool down) {
  // Typed before listening started or after it ended: not the user's input to this editor.
  if (session != listenSession_.load()) return;
  if (listening_ == Listening::kNothing) return;
  handler_(listening_, code, down);
}

void KeyListening::Listen(Listening what) {
  // Ending is always carried out: it also stops a monitoring the editor found running.
  if (what == listening_ && what != Listening::kNothing) return;
  ++listenSession_;
  if (what == Listening::kNothing) {
    channel_.EndCaptureEverything();
    listening_ = Listening::kNothing;
  } else {
    listening_ = RestartMonitoring() ? what : Listening::kNothing;
  }
  keyGuard_->SetActive(listening_ != Listening::kNothing);
}

bool KeyListening::RestartMonitoring() {
  if (channel_.StartMonitoring() == 0) return false;
  const std::uint32_t input = 0;
  channel_.Request(HidUsbFilter::kRequestSetMode, &input, sizeof input, nullptr, 0);
  return true;
}

}  // namespace macro
