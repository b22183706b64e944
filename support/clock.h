#pragma once
// Time source for code that paces or waits, so tests can drive time instead of sleeping.
#include <chrono>
#include <mutex>

namespace support {

class Clock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;
  virtual void SleepFor(std::chrono::milliseconds duration) = 0;
  // When the steady clock reaches what this clock calls `time`: where a wait for it ends on the
  // real clock. By default the time left from now, which is never early for a clock that runs at
  // the steady clock's pace.
  virtual std::chrono::steady_clock::time_point SteadyTimeOf(TimePoint time) const;
};

// The real monotonic clock.
class SteadyClock final : public Clock {
 public:
  static SteadyClock& Instance();
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }
  void SleepFor(std::chrono::milliseconds duration) override;
  std::chrono::steady_clock::time_point SteadyTimeOf(TimePoint time) const override { return time; }
};

// A clock that only moves when told to; sleeping advances it at once. For tests.
class ManualClock final : public Clock {
 public:
  TimePoint Now() const override;
  void SleepFor(std::chrono::milliseconds duration) override;
  void Advance(std::chrono::steady_clock::duration duration);
  std::chrono::milliseconds TotalSlept() const;

 private:
  mutable std::mutex mutex_;
  TimePoint now_{std::chrono::hours(1)};
  std::chrono::milliseconds slept_{0};
};

}  // namespace support
