#include <gtest/gtest.h>

#include <cstdint>

#include "platform/sim/sim_key_filter.h"
#include "support/logger.h"

namespace {

constexpr std::uint32_t kReadAccess = 0x80000000;
constexpr std::uint32_t kKeyA = 0x00070004;
constexpr std::uint32_t kKeyB = 0x00070005;

class SimKeyFilterModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::uint32_t error = 0;
    device_ = driver_.OpenFilterDevice(L"\\\\.\\vhidflt", kReadAccess | 0x40000000, error);
    ASSERT_NE(device_, nullptr);
    const std::uint8_t table[4] = {0x04, 0x00, 0x07, 0x02};  // captures A only
    Send(sim::kFilterCodeCaptureTable, table, sizeof table);
  }
  void Send(std::uint32_t code, const void* input = nullptr, std::size_t size = 0) {
    device_->Submit(code, input, size, nullptr, 0);
  }

  sim::SimKeyFilterDriver driver_;
  std::unique_ptr<platform::FilterDevice> device_;
};

// The macro editor records keys that have no assignment: 0x226010 reports every key until the
// next monitoring start (0x226008) returns the driver to the capture table.
TEST_F(SimKeyFilterModeTest, RecordingModeReportsEveryKeyUntilMonitoringRestarts) {
  EXPECT_TRUE(driver_.IsCaptured(kKeyA));
  EXPECT_FALSE(driver_.IsCaptured(kKeyB));
  const std::uint32_t zero = 0;
  Send(sim::kFilterCodeMode, &zero, sizeof zero);
  EXPECT_TRUE(driver_.IsCaptured(kKeyB));
  Send(sim::kFilterCodeArm);
  EXPECT_TRUE(driver_.IsCaptured(kKeyB));  // only the start request ends recording
  Send(sim::kFilterCodeStart);
  EXPECT_FALSE(driver_.IsCaptured(kKeyB));
  EXPECT_TRUE(driver_.IsCaptured(kKeyA));
}

// The demo's log shows every key the filter sees, the ones it lets through included; only
// captured keys become key events.
TEST_F(SimKeyFilterModeTest, LogsEveryKeyWithWhetherItWasCapturedOrPassedOn) {
  driver_.SetLogEvents(true);
  support::ScopedLogCapture log;
  EXPECT_TRUE(driver_.PressKey(kKeyA));
  EXPECT_FALSE(driver_.PressKey(kKeyB));
  EXPECT_FALSE(driver_.ReleaseKey(kKeyB));
  EXPECT_TRUE(driver_.ReleaseKey(kKeyA));
  EXPECT_EQ(log.Text(),
            "key filter -> down 0x00070004 captured\n"
            "key filter -> down 0x00070005 passed on\n"
            "key filter -> up 0x00070005 passed on\n"
            "key filter -> up 0x00070004 captured\n");
  EXPECT_EQ(driver_.QueuedEvents(), 2);

  driver_.SetLogEvents(false);
  log.Clear();
  driver_.PressKey(kKeyB);
  EXPECT_EQ(log.Text(), "");
}

}  // namespace

// As the real filters do: a release goes where its press went, whatever the table says by then.
TEST_F(SimKeyFilterModeTest, AKeyKeepsTheRouteOfItsPressAcrossAChangedTable) {
  EXPECT_TRUE(driver_.PressKey(kKeyA));
  EXPECT_FALSE(driver_.PressKey(kKeyB));
  const std::uint8_t onlyB[4] = {0x05, 0x00, 0x07, 0x02};
  Send(sim::kFilterCodeCaptureTable, onlyB, sizeof onlyB);
  EXPECT_TRUE(driver_.ReleaseKey(kKeyA));
  EXPECT_FALSE(driver_.ReleaseKey(kKeyB));
  EXPECT_FALSE(driver_.PressKey(kKeyA));  // a new press takes the new table
  EXPECT_TRUE(driver_.PressKey(kKeyB));
}
