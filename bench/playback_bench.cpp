// Measures macro playback against the emulated filter driver and virtual device:
//  - the latency a play-1 remap adds between the filter completing its key-event read and the
//    virtual device's write;
//  - how far the steps of long macros land from their ideal schedule, and the total drift;
//  - how long a stop takes from the stopping key press to the last key-up report.
// Times come from steady_clock; report times are taken by the emulated device as it records them.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/records/record_store.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_virtual_hid.h"
#include "playback/macro_player.h"
#include "support/logger.h"

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr model::KeyCode kCapsLock = 0x00070039;
constexpr model::KeyCode kF1 = 0x0007003A;
constexpr model::KeyCode kF2 = 0x0007003B;
constexpr model::KeyCode kKeyA = 0x00070004;
constexpr model::KeyCode kLeftShift = 0x000700E1;

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

template <typename Condition>
void SpinUntil(Condition condition) {
  const auto limit = Clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (Clock::now() > limit) {
      std::fprintf(stderr, "playback_bench: timed out waiting\n");
      std::exit(1);
    }
    std::this_thread::yield();
  }
}

class Bench {
 public:
  Bench() {
    if (!device_.OpenVirtualDevice()) std::exit(1);
  }

  ~Bench() {
    channel_.reset();
    player_.reset();
  }

  void Assign(const std::vector<model::KeyRecord>& records) {
    std::vector<model::KeyCode> codes;
    for (const model::KeyRecord& record : records) {
      store_.UpsertRecord(record);  // no file behind the store: the save failure is only logged
      codes.push_back(record.code);
    }
    if (!channel_->Open() || channel_->SetCaptureTable(codes) != 1) std::exit(1);
    channel_->AddListener(player_.get(), &playback::MacroPlayer::OnKeyEvent);
    if (channel_->StartMonitoring() == 0) std::exit(1);
  }

  void WaitForRead() {
    SpinUntil([&] { return driver_.PendingReads() == 1; });
  }
  // Presses or releases `key` once a read is pending, and returns when the read completed.
  Clock::time_point KeyChange(model::KeyCode key, bool down) {
    WaitForRead();
    const Clock::time_point completed = Clock::now();
    if (down ? !driver_.PressKey(key) : !driver_.ReleaseKey(key)) std::exit(1);
    return completed;
  }

  void RemapLatency(int events) {
    std::vector<double> latencies;
    for (int i = 0; i < events; ++i) {
      hid_.ClearReports();
      const Clock::time_point completed = KeyChange(kCapsLock, i % 2 == 0);
      SpinUntil([&] { return !hid_.Reports().empty(); });
      latencies.push_back(Micros(hid_.ReportTimes().front() - completed).count());
    }
    std::printf("play-1 remap latency, filter read completed -> virtual device write (%d events):\n", events);
    std::printf("  p50 %.1f us   p99 %.1f us   p99.9 %.1f us\n", Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), Percentile(latencies, 0.999));
  }

  void StepTiming(int delayMs, int steps) {
    std::vector<model::MacroStep> macro;
    for (int i = 0; i < steps; ++i) macro.push_back({kKeyA, i % 2 == 0 ? 1 : 0, delayMs, L""});
    model::KeyRecord record;
    record.code = kF1;
    record.play = 2;
    record.repeat = 1;
    record.steps = macro;
    store_.UpsertRecord(record);

    hid_.ClearReports();
    KeyChange(kF1, true);
    KeyChange(kF1, false);
    const std::size_t expected = static_cast<std::size_t>(steps) + 1;  // the steps, then the release
    SpinUntil([&] { return hid_.Reports().size() >= expected && player_->CurrentRecord().code == 0; });

    const auto times = hid_.ReportTimes();
    std::vector<double> errors;
    for (int i = 0; i < steps; ++i) {
      const auto ideal = times[0] + std::chrono::milliseconds(static_cast<long long>(delayMs) * i);
      errors.push_back(Micros(times[i] - ideal).count());
    }
    const double drift = Micros(times[steps - 1] - times[0]).count() - 1000.0 * delayMs * (steps - 1);
    std::printf("  delay %3d ms, %4d steps:  p50 %8.1f us   p99 %8.1f us   max %8.1f us   total drift %9.1f us\n",
                delayMs, steps, Percentile(errors, 0.5), Percentile(errors, 0.99),
                *std::max_element(errors.begin(), errors.end()), drift);
  }

  void StopLatency(int stops) {
    std::vector<double> latencies;
    for (int i = 0; i < stops; ++i) {
      hid_.ClearReports();
      KeyChange(kF2, true);  // starts: A down, then a 10 s wait
      SpinUntil([&] { return hid_.Reports().size() == 1; });
      KeyChange(kF2, false);
      const Clock::time_point requested = KeyChange(kF2, true);  // pressed again: stop
      SpinUntil([&] { return hid_.Reports().size() == 2; });      // A down, then its release
      latencies.push_back(Micros(hid_.ReportTimes().back() - requested).count());
      KeyChange(kF2, false);
    }
    std::printf("stop latency, stopping key press at the filter -> last key-up report (%d stops):\n", stops);
    std::printf("  p50 %.1f us   p99 %.1f us   max %.1f us\n", Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), Percentile(latencies, 1.0));
  }

 private:
  sim::SimKeyFilterDriver driver_;
  sim::SimVirtualHid hid_;
  hostdrv::VHidev device_{hid_};
  model::RecordStore store_;
  std::unique_ptr<playback::MacroPlayer> player_ = std::make_unique<playback::MacroPlayer>(store_, device_);
  std::unique_ptr<HidUsbFilter::KeyFilterChannel> channel_ = std::make_unique<HidUsbFilter::KeyFilterChannel>(driver_);
};

model::KeyRecord Record(model::KeyCode code, int play, std::vector<model::MacroStep> steps) {
  model::KeyRecord record;
  record.code = code;
  record.play = play;
  record.repeat = 1;
  record.steps = std::move(steps);
  return record;
}

}  // namespace

int main() {
  const support::ScopedLogCapture quiet;  // the store's "no file path" save failures
  Bench bench;
  bench.Assign({Record(kCapsLock, 1, {{kLeftShift, 0, 0, L""}}), Record(kF1, 2, {}),
                Record(kF2, 4, {{kKeyA, 1, 10000, L""}, {kKeyA, 0, 1, L""}})});

  bench.RemapLatency(10000);

  std::printf("step timing error, report time - ideal schedule from the first step:\n");
  bench.StepTiming(1, 1000);
  bench.StepTiming(2, 1000);
  bench.StepTiming(16, 1000);
  bench.StepTiming(100, 100);  // 100 steps (10 s) instead of 1000
  std::printf("  (the 100 ms case runs 100 steps, not 1000, to keep the run short)\n");

  bench.StopLatency(500);
  return 0;
}
