#pragma once
// How late this thread's timed wake-ups have come lately: the latest one seen, fading by 1/512 with
// every later wake-up (to half in about 350). A bad spell (a busy virtual machine host, a processor
// in a deep idle state) raises the spin lead at once, and the lead stays up while late wake-ups keep
// coming even one in a hundred, which is what a step's 99th percentile depends on; it sinks again
// over some hundreds of steps once they stop.
#include <chrono>

namespace platform::linux_backend {

class WakeLateness {
 public:
  static constexpr int kFadeDivisor = 512;

  // Takes the lateness of one wake-up: the time it came after the one asked for.
  void Observe(std::chrono::nanoseconds lateness);
  std::chrono::nanoseconds Recent() const { return recent_; }

 private:
  std::chrono::nanoseconds recent_{0};
};

}  // namespace platform::linux_backend
