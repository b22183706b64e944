#pragma once
// What a key record's `play` value means to the playback: forwarding, which values start a
// playback, and how many passes through the steps a started playback makes.
#include <cstdint>

namespace playback {

inline constexpr int kPlayForward = 1;           // each press and release goes out as another key
inline constexpr int kPlayRepeat = 2;            // `repeat` passes per press
inline constexpr int kPlayWhileHeld = 3;         // until the same key is released
inline constexpr int kPlayToggle = 4;            // until the same key is pressed again
inline constexpr int kPlayUntilOtherKey = 5;     // until another assigned key is pressed
inline constexpr int kPlayUntilAnyKey = 6;       // until any assigned key is pressed
inline constexpr int kPlayOnce = 8;              // one pass per press

// How many passes through the steps a playback makes.
struct PassCount {
  bool endless = false;
  std::uint32_t passes = 0;  // ignored when endless

  bool IsNone() const { return !endless && passes == 0; }
  friend bool operator==(const PassCount&, const PassCount&) = default;
};

// True for the play values that a key press starts as a playback: 2 to 6 and 8.
bool StartsPlayback(int play);

// The passes of a playback with this play value and repeat count:
//  - 2: `repeat` passes; a negative repeat never runs out (endless);
//  - 3 to 6: endless, until a stop rule ends it;
//  - 8: exactly one pass, whatever `repeat` says. A play-8 record has no stop rule, so an endless
//    count would leave a macro running that only another playback's press could end; one pass per
//    press is what a "play" key is expected to do, and a record of unknown origin can never run
//    away;
//  - anything else: none.
PassCount PassesFor(int play, int repeat);

}  // namespace playback
