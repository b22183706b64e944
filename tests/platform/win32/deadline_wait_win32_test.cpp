// The waitable-timer deadline wait of the Windows backend, with a high-resolution timer where the
// system has one and with the ordinary timer that needs a 1 ms system timer period. Under Wine the
// results say nothing about timing, only about behaviour.
#include "platform/win32/win_deadline_wait.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "platform/deadline_wait.h"
#include "tests/platform/deadline_wait_contract.h"

namespace {

using platform::win32::WinDeadlineWait;

struct BackendWait {
  static std::unique_ptr<platform::DeadlineWait> Make() { return platform::CreateDeadlineWait(); }
};
struct SystemPeriodWait {
  static std::unique_ptr<platform::DeadlineWait> Make() { return WinDeadlineWait::Create(false); }
};
using WindowsWaits = ::testing::Types<BackendWait, SystemPeriodWait>;

}  // namespace

namespace deadline_wait_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DeadlineWaitContract, WindowsWaits);
}  // namespace deadline_wait_contract

namespace {

TEST(WinDeadlineWaitTest, TheOrdinaryTimerHoldsA1MsTimerPeriodWhileAMacroPlays) {
  const std::unique_ptr<WinDeadlineWait> wait = WinDeadlineWait::Create(false);
  ASSERT_NE(wait, nullptr);
  EXPECT_EQ(wait->Kind(), WinDeadlineWait::TimerKind::kSystemPeriod);
  EXPECT_NE(wait->HoldFineTimers(), nullptr);
}

TEST(WinDeadlineWaitTest, TheBackendPrefersAHighResolutionTimerThatNeedsNothingHeld) {
  const std::unique_ptr<WinDeadlineWait> wait = WinDeadlineWait::Create();
  ASSERT_NE(wait, nullptr);
  const bool highResolution = wait->Kind() == WinDeadlineWait::TimerKind::kHighResolution;
  std::printf("this system's deadline wait: %s\n", highResolution ? "high-resolution waitable timer"
                                                                  : "ordinary waitable timer + timeBeginPeriod(1)");
  EXPECT_EQ(wait->HoldFineTimers() == nullptr, highResolution);
  // What the backend hands out is this same kind of wait.
  const std::unique_ptr<platform::DeadlineWait> fromBackend = platform::CreateDeadlineWait();
  const auto* backendWait = dynamic_cast<WinDeadlineWait*>(fromBackend.get());
  ASSERT_NE(backendWait, nullptr);
  EXPECT_EQ(backendWait->Kind(), wait->Kind());
}

}  // namespace
