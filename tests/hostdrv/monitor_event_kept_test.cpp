// A key event that the driver has already handed to the monitor thread's read is dispatched even
// when a re-open or a stop arrives before the thread waits for that read: thrown away, a lost
// release would leave its key down.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "hostdrv/key_filter_channel.h"
#include "platform/sim/sim_key_filter.h"
#include "support/logger.h"
#include "tests/common/wait_for.h"

namespace HidUsbFilter {
namespace {

constexpr KeyCode kKeyA = 0x00070004;

struct Recorder {
  std::atomic<int> events{0};
  std::atomic<std::uint32_t> lastDown{2};
  std::int32_t OnKey(std::uint32_t, std::uint32_t, std::uint32_t down) {
    lastDown.store(down);
    events.fetch_add(1);
    return 0;
  }
};

using testsupport::WaitFor;

class MonitorEventKeptTest : public ::testing::Test {
 protected:
  // Starts monitoring with the thread held inside its key-event submit, then completes that read
  // with a release of A.
  void StartHeldWithACompletedRead() {
    ASSERT_TRUE(channel_.Open());
    const std::vector<KeyCode> keys = {kKeyA};
    ASSERT_EQ(channel_.SetCaptureTable(keys), 1);
    ASSERT_NE(channel_.StartMonitoring(), 0);
    driver_.HoldReadSubmits(true);
    channel_.AddListener(&recorder_, &Recorder::OnKey);  // the idle thread starts reading
    ASSERT_TRUE(driver_.WaitUntil([](const sim::SimKeyFilterDriver& d) { return d.HeldSubmits() == 1; }));
    ASSERT_TRUE(driver_.ReleaseKey(kKeyA));
    ASSERT_EQ(driver_.PendingReads(), 0);  // the held read took the event
  }

  support::ScopedLogCapture log_;
  sim::SimKeyFilterDriver driver_;
  Recorder recorder_;
  KeyFilterChannel channel_{driver_};
};

TEST_F(MonitorEventKeptTest, AReopenBetweenSubmitAndWaitKeepsTheCompletedEvent) {
  StartHeldWithACompletedRead();
  ASSERT_TRUE(channel_.Open());
  driver_.HoldReadSubmits(false);
  ASSERT_TRUE(WaitFor([&] { return recorder_.events.load() == 1; }));
  EXPECT_EQ(recorder_.lastDown.load(), 0u);
  // And the thread goes on reading from the new handle.
  EXPECT_TRUE(WaitFor([&] { return driver_.PendingReads() == 1; }));
}

TEST_F(MonitorEventKeptTest, AStopBetweenSubmitAndWaitStillDeliversTheCompletedEvent) {
  StartHeldWithACompletedRead();
  std::thread stopper([&] { channel_.StopMonitoring(); });
  // The stop is under way (it waits for the held thread) before the thread may go on.
  ASSERT_TRUE(WaitFor([&] { return driver_.AbortEventSets() > 0; }));
  driver_.HoldReadSubmits(false);
  stopper.join();
  EXPECT_EQ(recorder_.events.load(), 1);
  EXPECT_FALSE(channel_.IsMonitoring());
}

}  // namespace
}  // namespace HidUsbFilter
