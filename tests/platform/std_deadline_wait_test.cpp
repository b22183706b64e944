// The standard library's deadline wait, which the emulated backend hands out.
#include <gtest/gtest.h>

#include <memory>

#include "platform/deadline_wait.h"
#include "platform/portable/std_deadline_wait.h"
#include "tests/platform/deadline_wait_contract.h"

namespace {

struct StdWait {
  static std::unique_ptr<platform::DeadlineWait> Make() { return std::make_unique<platform::portable::StdDeadlineWait>(); }
};
struct SimBackendWait {
  static std::unique_ptr<platform::DeadlineWait> Make() { return platform::CreateDeadlineWait(); }
};
using PortableWaits = ::testing::Types<StdWait, SimBackendWait>;

}  // namespace

namespace deadline_wait_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Portable, DeadlineWaitContract, PortableWaits);
}  // namespace deadline_wait_contract

namespace {

TEST(StdDeadlineWaitTest, HasNoFineTimersToHold) {
  platform::portable::StdDeadlineWait wait;
  EXPECT_EQ(wait.HoldFineTimers(), nullptr);
}

}  // namespace
