#include "playback/forwarded_keys.h"

#include <utility>

namespace playback {

void ForwardedKeys::Pressed(model::KeyCode physical, model::KeyCode sent) {
  std::scoped_lock lock(mutex_);
  down_[physical] = sent;
}

std::optional<model::KeyCode> ForwardedKeys::Released(model::KeyCode physical) {
  std::scoped_lock lock(mutex_);
  const auto found = down_.find(physical);
  if (found == down_.end()) return std::nullopt;
  const model::KeyCode sent = found->second;
  down_.erase(found);
  return sent;
}

std::map<model::KeyCode, model::KeyCode> ForwardedKeys::TakeAll() {
  std::scoped_lock lock(mutex_);
  return std::exchange(down_, {});
}

}  // namespace playback
