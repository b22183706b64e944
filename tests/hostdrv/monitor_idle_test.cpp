// The monitor thread idles without polling: it sleeps until a listener, a device or a stop comes,
// and backs off from a device that refuses its reads. These tests pin the wake-ups that must
// still happen; the counts only have upper bounds, so a slow machine cannot fail them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hostdrv/key_filter_channel.h"
#include "platform/sim/sim_key_filter.h"
#include "support/logger.h"
#include "tests/common/wait_for.h"

namespace HidUsbFilter {
namespace {

using sim::SimKeyFilterDriver;

constexpr KeyCode kKeyA = 0x00070004;

// The emulated driver, except that key-event reads are refused while `refuseReads` is set. Counts
// the read attempts.
class RefusingFilter final : public platform::FilterDeviceSystem {
 public:
  explicit RefusingFilter(SimKeyFilterDriver& inner) : inner_(inner) {}

  std::unique_ptr<platform::AbortEvent> CreateAbortEvent() override { return inner_.CreateAbortEvent(); }
  std::unique_ptr<platform::FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                           std::uint32_t& error) override {
    auto device = inner_.OpenFilterDevice(path, access, error);
    if (!device) return nullptr;
    return std::make_unique<Device>(*this, std::move(device));
  }

  std::atomic<bool> refuseReads{true};
  std::atomic<int> readAttempts{0};

 private:
  class Device final : public platform::FilterDevice {
   public:
    Device(RefusingFilter& owner, std::unique_ptr<platform::FilterDevice> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    platform::SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                                   std::size_t outputSize) override {
      if (code == sim::kFilterCodeReadKey) {
        owner_.readAttempts.fetch_add(1);
        if (owner_.refuseReads.load()) {
          platform::SubmitOutcome refused;
          refused.kind = platform::SubmitOutcome::Kind::kFailed;
          refused.error = 31;  // a device that does not work
          return refused;
        }
      }
      return inner_->Submit(code, input, inputSize, output, outputSize);
    }

   private:
    RefusingFilter& owner_;
    std::unique_ptr<platform::FilterDevice> inner_;
  };

  SimKeyFilterDriver& inner_;
};

struct Counter {
  std::atomic<int> events{0};
  std::int32_t OnKey(std::uint32_t, std::uint32_t, std::uint32_t) {
    events.fetch_add(1);
    return 0;
  }
};

using testsupport::WaitFor;

class MonitorIdleTest : public ::testing::Test {
 protected:
  support::ScopedLogCapture log_;
  SimKeyFilterDriver driver_{false};  // not installed until a test says so
  Counter counter_;
};

TEST_F(MonitorIdleTest, ReopeningWakesAMonitorThatIdlesWithoutADevice) {
  KeyFilterChannel channel(driver_);
  channel.AddListener(&counter_, &Counter::OnKey);
  EXPECT_FALSE(channel.Open());
  ASSERT_NE(channel.StartMonitoring(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(driver_.PendingReads(), 0);

  // The driver appears (installed, keyboard re-plugged): the re-open alone must start the reads.
  driver_.SetInstalled(true);
  ASSERT_TRUE(channel.Open());
  const std::vector<KeyCode> keys = {kKeyA};
  ASSERT_EQ(channel.SetCaptureTable(keys), 1);
  ASSERT_TRUE(WaitFor([&] { return driver_.PendingReads() == 1; }));
  driver_.PressKey(kKeyA);
  EXPECT_TRUE(WaitFor([&] { return counter_.events.load() == 1; }));
}

TEST_F(MonitorIdleTest, AddingAListenerWakesAMonitorThatIdlesWithoutOne) {
  driver_.SetInstalled(true);
  KeyFilterChannel channel(driver_);
  ASSERT_TRUE(channel.Open());
  ASSERT_NE(channel.StartMonitoring(), 0);
  const std::size_t readsOfTheStart = driver_.ReadHandles().size();  // it looked for queued events
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(driver_.ReadHandles().size(), readsOfTheStart);

  channel.AddListener(&counter_, &Counter::OnKey);
  EXPECT_TRUE(WaitFor([&] { return driver_.PendingReads() == 1; }));
}

TEST_F(MonitorIdleTest, StopEndsAMonitorThatIdlesWithoutADevice) {
  KeyFilterChannel channel(driver_);
  channel.AddListener(&counter_, &Counter::OnKey);
  channel.Open();
  ASSERT_NE(channel.StartMonitoring(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  channel.StopMonitoring();  // joins: hangs if the idle thread is never woken
  EXPECT_FALSE(channel.IsMonitoring());
  // And it starts again from idle.
  ASSERT_NE(channel.StartMonitoring(), 0);
  channel.StopMonitoring();
  EXPECT_FALSE(channel.IsMonitoring());
}

TEST_F(MonitorIdleTest, RefusedReadsAreRetriedWithABackOffAndAReopenRetriesAtOnce) {
  driver_.SetInstalled(true);
  RefusingFilter filter(driver_);
  KeyFilterChannel channel(filter);
  channel.AddListener(&counter_, &Counter::OnKey);
  ASSERT_TRUE(channel.Open());
  const std::vector<KeyCode> keys = {kKeyA};
  ASSERT_EQ(channel.SetCaptureTable(keys), 1);
  ASSERT_NE(channel.StartMonitoring(), 0);

  ASSERT_TRUE(WaitFor([&] { return filter.readAttempts.load() >= 2; }));  // it does retry
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  // Back-off 10, 20, 40, ... ms: a handful of attempts, where a fixed 10 ms retry makes 60 or more.
  EXPECT_LE(filter.readAttempts.load(), 15);
  // The refusal is logged once, not at every retry.
  const std::string text = log_.Text();
  int logged = 0;
  for (auto at = text.find("0x226044"); at != std::string::npos; at = text.find("0x226044", at + 1)) ++logged;
  EXPECT_EQ(logged, 1);

  // The device works again after a re-open: reading resumes without waiting out the back-off.
  filter.refuseReads.store(false);
  ASSERT_TRUE(channel.Open());
  ASSERT_TRUE(WaitFor([&] { return driver_.PendingReads() == 1; }));
  driver_.PressKey(kKeyA);
  EXPECT_TRUE(WaitFor([&] { return counter_.events.load() == 1; }));
}

}  // namespace
}  // namespace HidUsbFilter
