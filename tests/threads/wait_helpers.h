#pragma once
// Waiting in tests without timing verdicts: poll a condition with a generous limit.
#include <chrono>
#include <functional>
#include <thread>

#include "tests/common/wait_for.h"

namespace threads_test {

// Generous enough for a loaded machine; only a hang or a real fault reaches it.
inline constexpr std::chrono::seconds kPatience(20);

inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = kPatience) {
  return testsupport::WaitFor(condition, limit);
}

// Gives a thread that should stay quiet a moment to misbehave; never decides a verdict alone.
inline void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

}  // namespace threads_test
