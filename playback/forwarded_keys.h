#pragma once
// The keys that play-1 forwarding has pressed on the virtual device and not yet released, by the
// physical key that stands for them. A release goes out as the key its press went out as, even
// when the record changed in between, and whatever is still down can be released at shutdown.
#include <map>
#include <mutex>
#include <optional>

#include "model/keys/key_code.h"

namespace playback {

class ForwardedKeys {
 public:
  // Remembers that a press of `physical` went out as `sent`.
  void Pressed(model::KeyCode physical, model::KeyCode sent);
  // The key the press of `physical` went out as, forgotten now; empty when none is down.
  std::optional<model::KeyCode> Released(model::KeyCode physical);
  // Every key still down, forgotten now.
  std::map<model::KeyCode, model::KeyCode> TakeAll();

 private:
  std::mutex mutex_;
  std::map<model::KeyCode, model::KeyCode> down_;  // physical -> sent
};

}  // namespace playback
