#include "support/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(ClockTest, AManualClockTimeEndsOnTheSteadyClockAfterTheTimeLeft) {
  support::ManualClock clock;
  clock.Advance(milliseconds(123));
  const auto deadline = clock.Now() + milliseconds(40);
  const auto before = steady_clock::now();
  const auto steady = clock.SteadyTimeOf(deadline);
  const auto after = steady_clock::now();
  EXPECT_GE(steady, before + milliseconds(40));
  EXPECT_LE(steady, after + milliseconds(40));
}

TEST(ClockTest, TheSteadyClockIsItsOwnTimeline) {
  const auto time = steady_clock::now() + milliseconds(7);
  EXPECT_EQ(support::SteadyClock::Instance().SteadyTimeOf(time), time);
}

TEST(ClockTest, AManualClockMovesByFractionsOfAMillisecond) {
  support::ManualClock clock;
  const auto start = clock.Now();
  clock.Advance(microseconds(250));
  clock.Advance(microseconds(1));
  EXPECT_EQ(clock.Now() - start, microseconds(251));
  EXPECT_EQ(clock.TotalSlept(), milliseconds(0));  // advancing is not sleeping
}

}  // namespace
