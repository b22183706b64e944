#pragma once
// A wait in milliseconds between two macro steps.

namespace model {

// Never negative: a negative value (typed by the user or read from a file) is stored as 0, because
// the playback reads delays as unsigned and a negative one would become a wait of weeks.
// Converts to and from int so it reads and writes like the plain number it stands for.
class DelayMs {
 public:
  constexpr DelayMs(int milliseconds = 0) noexcept : value_(milliseconds < 0 ? 0 : milliseconds) {}
  constexpr operator int() const noexcept { return value_; }

 private:
  int value_;
};

}  // namespace model
