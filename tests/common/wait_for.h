#pragma once
// Polls a condition that another thread makes true, with a generous limit so that a loaded
// machine (sanitizer builds, parallel test runs) never decides a verdict.
#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

inline constexpr std::chrono::milliseconds kWaitLimit{20000};

// True as soon as `condition` holds; false when it still does not after `limit`.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = kWaitLimit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace testsupport
