#include "playback/play_mode.h"

namespace playback {

bool StartsPlayback(int play) { return (play >= kPlayRepeat && play <= kPlayUntilAnyKey) || play == kPlayOnce; }

PassCount PassesFor(int play, int repeat) {
  switch (play) {
    case kPlayRepeat:
      if (repeat < 0) return PassCount{true, 0};
      return PassCount{false, static_cast<std::uint32_t>(repeat)};
    case kPlayWhileHeld:
    case kPlayToggle:
    case kPlayUntilOtherKey:
    case kPlayUntilAnyKey:
      return PassCount{true, 0};
    case kPlayOnce:
      return PassCount{false, 1};
    default:
      return PassCount{};
  }
}

}  // namespace playback
