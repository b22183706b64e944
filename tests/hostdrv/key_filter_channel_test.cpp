#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <chrono>
#include <mutex>
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
using Event = std::array<std::uint32_t, 3>;

constexpr KeyCode kKeyA = 0x00070004;
constexpr KeyCode kWwwHome = 0x000C0223;
constexpr KeyCode kKeyB = 0x00070005;

// Everything heard by any listener, in order, tagged with the listener's name.
struct Journal {
  std::mutex mutex;
  std::vector<std::pair<std::string, Event>> entries;

  void Add(const std::string& who, Event event) {
    std::scoped_lock lock(mutex);
    entries.emplace_back(who, event);
  }
  std::vector<std::pair<std::string, Event>> Entries() {
    std::scoped_lock lock(mutex);
    return entries;
  }
  std::size_t Size() {
    std::scoped_lock lock(mutex);
    return entries.size();
  }
};

class Listener {
 public:
  Listener(std::string name, Journal& journal, std::int32_t result)
      : name_(std::move(name)), journal_(journal), result_(result) {}
  std::int32_t OnKey(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
    journal_.Add(name_, {page, usage, down});
    return result_;
  }
  std::int32_t OnKeyAgain(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
    journal_.Add(name_ + "/again", {page, usage, down});
    return result_;
  }

 private:
  std::string name_;
  Journal& journal_;
  std::int32_t result_;
};

using testsupport::WaitFor;

class KeyFilterChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    channel_ = std::make_unique<KeyFilterChannel>(driver_);
  }

  void OpenWithCapturedKeys() {
    ASSERT_TRUE(channel_->Open());
    const std::vector<KeyCode> keys = {kKeyA, kWwwHome};
    ASSERT_EQ(channel_->SetCaptureTable(keys), 1);
  }

  bool ReadPending() {
    return driver_.WaitUntil([](const SimKeyFilterDriver& d) { return d.PendingReads() == 1; });
  }

  support::ScopedLogCapture log_;
  SimKeyFilterDriver driver_;
  Journal journal_;
  // Listeners outlive the channel, which may call them until it is destroyed.
  Listener main_{"main", journal_, 0};
  Listener editor_{"editor", journal_, 1};
  Listener first_{"first", journal_, 0};
  Listener second_{"second", journal_, 0};
  std::unique_ptr<KeyFilterChannel> channel_;
};

TEST_F(KeyFilterChannelTest, OpenCreatesThreeHandlesAndRequestsGoThroughTheThird) {
  ASSERT_TRUE(channel_->Open());
  EXPECT_EQ(driver_.OpenHandles(), 3);
  EXPECT_EQ(channel_->StartMonitoring(), 1);
  const std::vector<KeyCode> keys = {0x000C00E9};
  EXPECT_EQ(channel_->SetCaptureTable(keys), 1);
  const std::uint8_t zero[4] = {};
  EXPECT_EQ(channel_->Request(kRequestSetMode, zero, sizeof zero, nullptr, 0), 1);

  const auto requests = driver_.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].code, 0x226008u);
  EXPECT_EQ(requests[1].code, 0x22600Cu);
  EXPECT_EQ(requests[2].code, 0x22A000u);
  EXPECT_EQ(requests[3].code, 0x226010u);
  EXPECT_EQ(requests[3].input, (std::vector<std::uint8_t>{0, 0, 0, 0}));
  for (const auto& request : requests) EXPECT_EQ(request.handle, 3);

  std::vector<std::uint8_t> expectedTable(1024, 0);
  expectedTable[0] = 0xE9;
  expectedTable[2] = 0x0C;
  expectedTable[3] = 0x02;
  EXPECT_EQ(requests[2].input, expectedTable);
}

TEST_F(KeyFilterChannelTest, DestructionStopsClearsTheTableAndClosesEverything) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());

  channel_.reset();

  EXPECT_EQ(driver_.OpenHandles(), 0);
  EXPECT_EQ(driver_.PendingReads(), 0);
  const auto requests = driver_.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().code, 0x22A000u);
  EXPECT_EQ(requests.back().input, std::vector<std::uint8_t>(256, 0));
  EXPECT_FALSE(driver_.IsCaptured(kKeyA));
}

TEST_F(KeyFilterChannelTest, RequestThatCompletesAtOnceCountsAsNotCarriedOut) {
  ASSERT_TRUE(channel_->Open());
  driver_.SetCompleteAtOnce(true);
  EXPECT_EQ(channel_->Request(kRequestPrepare, nullptr, 0, nullptr, 0), 0);
  EXPECT_EQ(channel_->Request(0x12345678, nullptr, 0, nullptr, 0), 0);  // refused by the driver
  driver_.SetCompleteAtOnce(false);
  EXPECT_EQ(channel_->Request(kRequestPrepare, nullptr, 0, nullptr, 0), 1);
}

TEST_F(KeyFilterChannelTest, KeyEventCompletedAtOnceIsNotDispatched) {
  OpenWithCapturedKeys();
  ASSERT_EQ(channel_->StartMonitoring(), 1);  // no listener yet: the thread does not read
  driver_.SetCompleteAtOnce(true);
  ASSERT_TRUE(driver_.PressKey(kKeyA));  // queued: the next read finishes inside the submit call
  channel_->AddListener(&main_, &Listener::OnKey);
  ASSERT_TRUE(driver_.WaitUntil([](const SimKeyFilterDriver& d) { return d.QueuedEvents() == 0; }));
  ASSERT_TRUE(ReadPending());  // the thread went on with a new read
  EXPECT_EQ(journal_.Size(), 0u);
}

TEST_F(KeyFilterChannelTest, MissingDriverLeavesTheChannelIdleAndRequestsReturnZero) {
  driver_.SetInstalled(false);
  EXPECT_FALSE(channel_->Open());
  EXPECT_FALSE(channel_->IsOpen());
  EXPECT_EQ(channel_->Request(kRequestPrepare, nullptr, 0, nullptr, 0), 0);
  const std::vector<KeyCode> keys = {kKeyA};
  EXPECT_EQ(channel_->SetCaptureTable(keys), 0);

  channel_->AddListener(&main_, &Listener::OnKey);
  EXPECT_EQ(channel_->StartMonitoring(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  channel_->StopMonitoring();
  EXPECT_FALSE(channel_->IsMonitoring());
  EXPECT_TRUE(driver_.Requests().empty());
  EXPECT_TRUE(driver_.ReadHandles().empty());
  EXPECT_NE(log_.Text().find("KeyFilterChannel::Open failed"), std::string::npos);
}

TEST_F(KeyFilterChannelTest, NoListenerMeansNoReads) {
  OpenWithCapturedKeys();
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  // The start itself looked for queued events (one read that found none); the thread reads nothing.
  ASSERT_EQ(driver_.ReadHandles().size(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(driver_.ReadHandles().size(), 1u);

  channel_->AddListener(&main_, &Listener::OnKey);
  EXPECT_TRUE(ReadPending());
}

TEST_F(KeyFilterChannelTest, DeliversPressAndReleaseOfCapturedKeysOnly) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);

  EXPECT_FALSE(driver_.PressKey(kKeyB));
  ASSERT_TRUE(ReadPending());
  EXPECT_TRUE(driver_.PressKey(kWwwHome));
  EXPECT_TRUE(driver_.ReleaseKey(kWwwHome));
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 2; }));

  const auto entries = journal_.Entries();
  EXPECT_EQ(entries[0].second, (Event{0x0C, 0x0223, 1}));
  EXPECT_EQ(entries[1].second, (Event{0x0C, 0x0223, 0}));
}

TEST_F(KeyFilterChannelTest, NewestListenerHearsFirstAndAConsumingOneEndsTheWalk) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  channel_->AddListener(&editor_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);

  ASSERT_TRUE(ReadPending());
  driver_.PressKey(kKeyA);
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 1; }));
  ASSERT_TRUE(ReadPending());  // the next read is out: the walk of the first event has ended
  EXPECT_EQ(journal_.Entries()[0].first, "editor");

  channel_->RemoveListener(&editor_, &Listener::OnKey);
  EXPECT_EQ(channel_->ListenerCount(), 1u);
  driver_.PressKey(kKeyA);
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 2; }));
  EXPECT_EQ(journal_.Entries()[1].first, "main");
}

TEST_F(KeyFilterChannelTest, NonConsumingListenersAllHearTheEventNewestFirst) {
  OpenWithCapturedKeys();
  channel_->AddListener(&first_, &Listener::OnKey);
  channel_->AddListener(&second_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());
  driver_.PressKey(kKeyA);
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 2; }));
  const auto entries = journal_.Entries();
  EXPECT_EQ(entries[0].first, "second");
  EXPECT_EQ(entries[1].first, "first");
}

TEST_F(KeyFilterChannelTest, AddingTheSameListenerTwiceKeepsOne) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  channel_->AddListener(&main_, &Listener::OnKey);
  EXPECT_EQ(channel_->ListenerCount(), 1u);
  channel_->AddListener(&main_, &Listener::OnKeyAgain);  // another member function is another listener
  EXPECT_EQ(channel_->ListenerCount(), 2u);
  channel_->RemoveListener(&main_, &Listener::OnKeyAgain);
  EXPECT_EQ(channel_->ListenerCount(), 1u);

  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());
  driver_.PressKey(kKeyA);
  ASSERT_TRUE(ReadPending());
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() >= 1; }));
  EXPECT_EQ(journal_.Size(), 1u);
}

TEST_F(KeyFilterChannelTest, ReopeningWhileMonitoringMovesTheNextReadToTheNewHandle) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());
  ASSERT_EQ(driver_.ReadHandles().back(), 3);

  ASSERT_TRUE(channel_->Open());
  ASSERT_TRUE(driver_.WaitUntil([](const SimKeyFilterDriver& d) {
    return d.PendingReads() == 1 && !d.ReadHandles().empty() && d.ReadHandles().back() == 6;
  }));
  EXPECT_EQ(driver_.OpenHandles(), 3);  // the old three are closed
  driver_.PressKey(kKeyA);
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 1; }));
}

TEST_F(KeyFilterChannelTest, StartingTwiceLeavesOneMonitorThread) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(driver_.MaxPendingReads(), 1);

  driver_.PressKey(kKeyA);
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() >= 1; }));
  ASSERT_TRUE(ReadPending());
  EXPECT_EQ(journal_.Size(), 1u);
}

TEST_F(KeyFilterChannelTest, StopCutsAPendingReadShortAndStopWithoutThreadDoesNothing) {
  channel_->StopMonitoring();  // nothing runs yet
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());

  const auto started = std::chrono::steady_clock::now();
  channel_->StopMonitoring();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_FALSE(channel_->IsMonitoring());
  EXPECT_EQ(driver_.PendingReads(), 0);
  channel_->StopMonitoring();
}

TEST_F(KeyFilterChannelTest, StopBetweenTheThreadsSubmitAndItsWaitIsNotLost) {
  OpenWithCapturedKeys();
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  driver_.HoldReadSubmits(true);
  channel_->AddListener(&main_, &Listener::OnKey);  // the idle thread starts reading
  ASSERT_TRUE(driver_.WaitUntil([](const SimKeyFilterDriver& d) { return d.HeldSubmits() == 1; }));

  // The stop lands while the thread is inside its submit: it clears the run token and sets the
  // events (read, write, request, monitor) before the thread gets to reset its event and wait.
  const int setsBefore = driver_.AbortEventSets();
  std::atomic<bool> stopped{false};
  std::thread stopper([&] {
    channel_->StopMonitoring();
    stopped = true;
  });
  ASSERT_TRUE(driver_.WaitUntil([&](const SimKeyFilterDriver& d) { return d.AbortEventSets() >= setsBefore + 4; }));
  driver_.HoldReadSubmits(false);

  const bool ended = WaitFor([&] { return stopped.load(); });
  if (!ended) driver_.PressKey(kKeyA);  // let the stuck thread go, so the test can report
  stopper.join();
  EXPECT_TRUE(ended) << "the stop was only seen once a key arrived";
  EXPECT_EQ(driver_.PendingReads(), 0);
  EXPECT_EQ(journal_.Size(), 0u);
}

TEST_F(KeyFilterChannelTest, ReopenBetweenTheThreadsSubmitAndItsWaitIsNotLost) {
  OpenWithCapturedKeys();
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  driver_.HoldReadSubmits(true);
  channel_->AddListener(&main_, &Listener::OnKey);  // the idle thread starts reading
  ASSERT_TRUE(driver_.WaitUntil([](const SimKeyFilterDriver& d) { return d.HeldSubmits() == 1; }));

  ASSERT_TRUE(channel_->Open());
  driver_.HoldReadSubmits(false);
  EXPECT_TRUE(driver_.WaitUntil([](const SimKeyFilterDriver& d) {
    return d.PendingReads() == 1 && d.ReadHandles().back() == 6;
  }));
  EXPECT_EQ(driver_.OpenHandles(), 3);
}

// Recording mode (every key reported) while nothing reads: the keys typed meanwhile wait in the
// driver. Ending the mode drops them, and unassigned keys are no longer captured.
TEST_F(KeyFilterChannelTest, EndingCaptureEverythingDropsWhatWasTypedMeanwhile) {
  OpenWithCapturedKeys();
  channel_->AddListener(&editor_, &Listener::OnKey);
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  const std::uint8_t zero[4] = {};
  ASSERT_EQ(channel_->Request(kRequestSetMode, zero, sizeof zero, nullptr, 0), 1);
  ASSERT_TRUE(ReadPending());
  ASSERT_TRUE(driver_.PressKey(kKeyB));  // not in the table: reported in recording mode only
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 1; }));
  channel_->StopMonitoring();
  // Typed while nobody reads: "5", "5" and an assigned key.
  for (KeyCode key : {0x00070022u, 0x00070022u, kKeyA}) {
    ASSERT_TRUE(driver_.PressKey(key));
    ASSERT_TRUE(driver_.ReleaseKey(key));
  }
  ASSERT_EQ(driver_.QueuedEvents(), 6);

  EXPECT_EQ(channel_->EndCaptureEverything(), 1);
  EXPECT_EQ(driver_.QueuedEvents(), 0);
  EXPECT_FALSE(channel_->IsMonitoring());
  EXPECT_FALSE(driver_.IsCaptured(kKeyB));
  EXPECT_TRUE(driver_.IsCaptured(kKeyA));
  EXPECT_EQ(driver_.Requests().back().code, kRequestPrepare);
  EXPECT_NE(log_.Text().find("dropped 6 key events"), std::string::npos);

  // Listening again hears only what comes now.
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  ASSERT_TRUE(ReadPending());
  ASSERT_TRUE(driver_.PressKey(kKeyA));
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto entries = journal_.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].second, (Event{0x07, 0x04, 1}));
}

TEST_F(KeyFilterChannelTest, StartingDropsEventsQueuedWhileStoppedAndKeepsLaterOnes) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  ASSERT_TRUE(driver_.PressKey(kKeyA));  // nothing monitors yet
  ASSERT_TRUE(driver_.ReleaseKey(kKeyA));
  ASSERT_EQ(channel_->StartMonitoring(), 1);
  EXPECT_EQ(driver_.QueuedEvents(), 0);
  ASSERT_TRUE(ReadPending());
  ASSERT_TRUE(driver_.PressKey(kWwwHome));
  ASSERT_TRUE(WaitFor([&] { return journal_.Size() == 1; }));
  EXPECT_EQ(journal_.Entries()[0].second, (Event{0x0C, 0x0223, 1}));
}

TEST_F(KeyFilterChannelTest, EndingCaptureEverythingWithoutTheDriverDoesNothing) {
  driver_.SetInstalled(false);
  EXPECT_FALSE(channel_->Open());
  EXPECT_EQ(channel_->EndCaptureEverything(), 0);
  EXPECT_TRUE(driver_.ReadHandles().empty());
}

TEST_F(KeyFilterChannelTest, StopsAndReopensRacingTheMonitorThreadNeverHang) {
  OpenWithCapturedKeys();
  channel_->AddListener(&main_, &Listener::OnKey);
  // Stops and re-opens land at every point of the thread's read cycle, including between the
  // submit and the wait; each must be seen without any key being pressed.
  for (int round = 0; round < 200; ++round) {
    ASSERT_EQ(channel_->StartMonitoring(), 1);
    if (round % 3 == 0) {
      ASSERT_TRUE(channel_->Open());
    }
    if (round % 2 == 0) std::this_thread::yield();
    channel_->StopMonitoring();
  }
  EXPECT_EQ(driver_.PendingReads(), 0);
  EXPECT_EQ(driver_.OpenHandles(), 3);
}

}  // namespace
}  // namespace HidUsbFilter
