#include "support/clock.h"

#include <thread>

namespace support {

std::chrono::steady_clock::time_point Clock::SteadyTimeOf(TimePoint time) const {
  const TimePoint now = Now();  // read first, so the steady reading below is not older
  return std::chrono::steady_clock::now() + (time - now);
}

SteadyClock& SteadyClock::Instance() {
  static SteadyClock clock;
  return clock;
}

void SteadyClock::SleepFor(std::chrono::milliseconds duration) {
  if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

ManualClock::TimePoint ManualClock::Now() const {
  std::scoped_lock lock(mutex_);
  return now_;
}

void ManualClock::SleepFor(std::chrono::milliseconds duration) {
  std::scoped_lock lock(mutex_);
  if (duration.count() <= 0) return;
  now_ += duration;
  slept_ += duration;
}

void ManualClock::Advance(std::chrono::steady_clock::duration duration) {
  std::scoped_lock lock(mutex_);
  now_ += duration;
}

std::chrono::milliseconds ManualClock::TotalSlept() const {
  std::scoped_lock lock(mutex_);
  return slept_;
}

}  // namespace support
