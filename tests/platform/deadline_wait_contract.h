#pragma once
// What every deadline wait must do, as a typed test suite. A backend's test instantiates it with a
// maker type offering `static std::unique_ptr<platform::DeadlineWait> Make()`:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, DeadlineWaitContract, ::testing::Types<Maker>);
// No verdict depends on how long a wait took, only on its result and on the clock having reached
// the deadline; a lost interrupt shows as a 10 s wait that ends with kReached.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/deadline_wait.h"

namespace deadline_wait_contract {

using Result = platform::DeadlineWait::Result;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

inline constexpr std::chrono::seconds kFarAway(10);

template <typename Maker>
class DeadlineWaitContract : public ::testing::Test {
 protected:
  void SetUp() override {
    wait_ = Maker::Make();
    ASSERT_NE(wait_, nullptr);
  }

  std::unique_ptr<platform::DeadlineWait> wait_;
};

TYPED_TEST_SUITE_P(DeadlineWaitContract);

TYPED_TEST_P(DeadlineWaitContract, NeverEndsBeforeTheDeadline) {
  const auto fineTimers = this->wait_->HoldFineTimers();
  for (const microseconds ahead : {microseconds(0), microseconds(40), microseconds(300), microseconds(1000),
                                   microseconds(2500)}) {
    for (int i = 0; i < 20; ++i) {
      const auto deadline = steady_clock::now() + ahead;
      ASSERT_EQ(this->wait_->WaitUntil(deadline), Result::kReached) << ahead.count() << " us, wait " << i;
      const auto ended = steady_clock::now();
      ASSERT_GE(ended, deadline) << ahead.count() << " us, wait " << i << " ended early";
    }
  }
}

TYPED_TEST_P(DeadlineWaitContract, ADeadlineInThePastIsReachedAtOnce) {
  EXPECT_EQ(this->wait_->WaitUntil(steady_clock::now() - milliseconds(5)), Result::kReached);
  EXPECT_EQ(this->wait_->WaitUntil(steady_clock::time_point{}), Result::kReached);
}

TYPED_TEST_P(DeadlineWaitContract, AnInterruptRaisedBeforeTheWaitStaysRaisedUntilReset) {
  this->wait_->Interrupt();
  EXPECT_EQ(this->wait_->WaitUntil(steady_clock::now() + kFarAway), Result::kInterrupted);
  EXPECT_EQ(this->wait_->WaitUntil(steady_clock::now() + kFarAway), Result::kInterrupted);
  EXPECT_EQ(this->wait_->WaitUntil(steady_clock::now() - milliseconds(1)), Result::kInterrupted);

  this->wait_->Reset();
  const auto deadline = steady_clock::now() + milliseconds(1);
  EXPECT_EQ(this->wait_->WaitUntil(deadline), Result::kReached);
  EXPECT_GE(steady_clock::now(), deadline);
}

TYPED_TEST_P(DeadlineWaitContract, AnInterruptFromAnotherThreadEndsARunningWait) {
  std::thread interrupter([&] {
    std::this_thread::sleep_for(milliseconds(20));  // most likely inside the wait by then
    this->wait_->Interrupt();
  });
  EXPECT_EQ(this->wait_->WaitUntil(steady_clock::now() + kFarAway), Result::kInterrupted);
  interrupter.join();
}

REGISTER_TYPED_TEST_SUITE_P(DeadlineWaitContract, NeverEndsBeforeTheDeadline, ADeadlineInThePastIsReachedAtOnce,
                            AnInterruptRaisedBeforeTheWaitStaysRaisedUntilReset,
                            AnInterruptFromAnotherThreadEndsARunningWait);

}  // namespace deadline_wait_contract
