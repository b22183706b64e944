// The report pacer: reports leave a thread of their own, paced, with the newest state winning.
#include "lighting/report_pacer.h"

#include <condition_variable>
#include <mutex>

#include <gtest/gtest.h>

#include "../common/sim_lighting.h"
#include "../common/temp_folder.h"
#include "device/io/hid_device.h"
#include "platform/sim/sim_keyboard.h"

namespace {

using namespace std::chrono_literals;

// A manual clock whose sleeps hold the sleeping thread until the test lets it go, so that the
// test can act while the pacer waits for its pacing.
class GatedClock final : public support::Clock {
 public:
  TimePoint Now() const override {
    std::scoped_lock lock(mutex_);
    return now_;
  }
  void SleepFor(std::chrono::milliseconds duration) override {
    std::unique_lock lock(mutex_);
    ++sleepers_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_ > 0; });
    --released_;
    --sleepers_;
    now_ += duration;
  }
  void WaitForSleeper() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return sleepers_ > 0; });
  }
  void Release() {
    std::scoped_lock lock(mutex_);
    ++released_;
    changed_.notify_all();
  }
  void Advance(std::chrono::milliseconds duration) {
    std::scoped_lock lock(mutex_);
    now_ += duration;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  TimePoint now_{std::chrono::hours(1)};
  int sleepers_ = 0;
  int released_ = 0;
};

class ReportPacerTest : public ::testing::Test {
 protected:
  ReportPacerTest() {
    EXPECT_TRUE(device.Open(sim::kStandardLightingPath, device::kReadWriteShared));
    for (int index = 0; index < 20; ++index) {
      effects.SetRecord(index, {.brightness = 1, .speed = 2, .deriction = 0, .selection = 1});
    }
    keyboard.ClearReports();
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> texts;
    for (const sim::ReceivedReport& report : keyboard.Reports()) {
      std::string text;
      for (std::uint8_t byte : report.bytes) text += (text.empty() ? "" : " ") + std::to_string(byte);
      texts.push_back(text);
    }
    return texts;
  }

  GatedClock clock;
  sim::SimHidSystem keyboard{sim::StandardKeyboard(), clock};
  device::HidDevice device{keyboard};
  model::LedEffectStore effects;
  model::SideModelStore sides;
  device::KeyboardCommands commands{device, effects, sides, clock};
  lighting::ReportPacer pacer{commands, clock};
};

TEST_F(ReportPacerTest, ABurstReachesTheKeyboardAsItsNewestStateOnly) {
  pacer.SendEffect(1);  // nothing sent before: no pacing to wait for
  pacer.WaitUntilIdle();
  clock.Advance(30ms);
  pacer.SendEffect(2);
  clock.WaitForSleeper();  // the pacer waits out the 70 ms left
  pacer.SendSideLight(4);
  pacer.SendEffect(3);     // takes effect 2's place, ahead of the side light
  effects.SetRecord(3, {.brightness = 4, .speed = 0, .deriction = 0, .selection = 2});
  pacer.SendEffect(5);
  pacer.SendEffect(3);     // the record changed after the request: the report carries the change
  clock.Release();
  clock.WaitForSleeper();  // the side light waits for its own 100 ms
  clock.Release();
  pacer.WaitUntilIdle();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"7 255 255 2 1 2 0 0", "7 255 255 4 4 0 1 0", "7 255 255 32 0 0 116 0"}));
  const lighting::ReportPacer::Totals totals = pacer.Counts();
  EXPECT_EQ(totals.requested, 6u);
  EXPECT_EQ(totals.sent, 3u);
  EXPECT_EQ(totals.replaced, 3u);
}

TEST_F(ReportPacerTest, FactoryRestoreFollowsWhatWasAskedBeforeAndIsNeverReplaced) {
  pacer.SendSideLight(0);
  pacer.WaitUntilIdle();
  pacer.SendEffect(1);
  clock.WaitForSleeper();
  pacer.SendFactoryRestore();
  pacer.SendEffect(2);  // after the restore: a report of its own, not effect 1's place
  pacer.SendFactoryRestore();
  clock.Release();
  clock.WaitForSleeper();
  clock.Release();
  pacer.WaitUntilIdle();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"7 255 255 32 0 0 64 0", "7 255 255 2 1 2 0 0", "7 240 170 0 0 0 0 0",
                                               "7 255 255 3 1 2 0 0", "7 240 170 0 0 0 0 0"}));
}

TEST(ReportPacerShutdownTest, WhatWaitsIsSentBeforeThePacerEnds) {
  testsupport::TempFolder folder{"kb_pacer"};
  testsupport::SimLighting sim{folder.Path()};
  {
    lighting::ReportPacer pacer{sim.commands, sim.clock};
    pacer.SendSideLight(3);
    pacer.SendEffect(0);
  }
  const std::vector<sim::ReceivedReport> reports = sim.keyboard.Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].at - reports[0].at, 100ms);
}

}  // namespace
