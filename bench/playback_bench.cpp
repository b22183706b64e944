// Measures macro playback against the emulated filter driver and virtual device:
//  - the latency a play-1 remap adds between the filter completing its key-event read and the
//    virtual device's write;
//  - how far the steps of long macros land from their ideal schedule, and the total drift;
//  - how long a stop takes from the stopping key press to the last key-up report.
// Step timing and stops are measured in the same run, case by case: with the previous step waits
// (the time left rounded up to whole milliseconds, a condition variable's timed wait, the default
// timer slack), on Linux with the futex deadline wait without its final spin, and with the
// deadline wait the program uses on this system. A busy wait to each deadline, which never sleeps,
// runs beside them for step timing as a reference for the machine at that moment: on a virtual
// machine a sleeping processor can come back late by milliseconds while its host is busy, and a
// processor held spinning for long gets taken away by the host now and then.
// Beside each case's step errors stands what its waits cost: the processor time the playback
// thread spent inside them, as a share of one processor over the case.
// Times come from steady_clock; report times are taken by the emulated device as it records them.
//
// Usage: playback_bench [--long]   (--long: the 100 ms case runs 1000 steps instead of 100)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <time.h>

#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/records/record_store.h"
#include "platform/deadline_wait.h"
#include "platform/portable/std_deadline_wait.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_virtual_hid.h"
#include "playback/macro_player.h"
#include "support/logger.h"
#if defined(__linux__)
#include "platform/linux/linux_deadline_wait.h"
#endif

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

// The step waits as they were before deadline waits: the time left, rounded up to whole
// milliseconds, waited for with a condition variable, nothing held fine.
class WholeMillisecondWait final : public platform::DeadlineWait {
 public:
  Result WaitUntil(Clock::time_point deadline) override {
    const Clock::time_point now = Clock::now();
    return inner_.WaitUntil(now + std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
  }
  void Interrupt() override { inner_.Interrupt(); }
  void Reset() override { inner_.Reset(); }
  std::unique_ptr<platform::FineTimerHold> HoldFineTimers() override { return nullptr; }

 private:
  platform::portable::StdDeadlineWait inner_;
};

// Spins on the clock to the deadline, never sleeping: no wait can be more punctual than this one.
class BusyWait final : public platform::DeadlineWait {
 public:
  Result WaitUntil(Clock::time_point deadline) override {
    while (Clock::now() < deadline) {
      if (interrupted_.load()) return Result::kInterrupted;
    }
    return interrupted_.load() ? Result::kInterrupted : Result::kReached;
  }
  void Interrupt() override { interrupted_.store(true); }
  void Reset() override { interrupted_.store(false); }
  std::unique_ptr<platform::FineTimerHold> HoldFineTimers() override { return nullptr; }

 private:
  std::atomic<bool> interrupted_{false};
};

// The processor time the calling thread has used; zero where the system cannot tell.
std::chrono::nanoseconds ThreadCpuTime() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) == 0) {
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
  }
  std::perror("playback_bench: clock_gettime(CLOCK_THREAD_CPUTIME_ID)");
#endif
  return std::chrono::nanoseconds(0);
}

// Adds up the processor time its waiting thread spends inside `inner`'s waits.
class MeteredWait final : public platform::DeadlineWait {
 public:
  explicit MeteredWait(std::unique_ptr<platform::DeadlineWait> inner) : inner_(std::move(inner)) {}

  Result WaitUntil(Clock::time_point deadline) override {
    const std::chrono::nanoseconds before = ThreadCpuTime();
    const Result result = inner_->WaitUntil(deadline);
    spentNs_ += (ThreadCpuTime() - before).count();
    return result;
  }
  void Interrupt() override { inner_->Interrupt(); }
  void Reset() override { inner_->Reset(); }
  std::unique_ptr<platform::FineTimerHold> HoldFineTimers() override { return inner_->HoldFineTimers(); }

  // The processor time spent waiting since the last call.
  std::chrono::nanoseconds TakeSpent() { return std::chrono::nanoseconds(spentNs_.exchange(0)); }

 private:
  std::unique_ptr<platform::DeadlineWait> inner_;
  std::atomic<std::int64_t> spentNs_{0};
};

// The wait the program itself uses here (on Linux with its final spin), on the emulated devices.
std::unique_ptr<platform::DeadlineWait> ProgramWait() {
#if defined(__linux__)
  return std::make_unique<platform::linux_backend::LinuxDeadlineWait>();
#else
  return platform::CreateDeadlineWait();
#endif
}

// Waits for `condition` up to 30 s beyond `expected`, checking it between yields, or between
// `pause`s where the measured thread must have the processor to itself (a spinning bench would
// compete with it).
template <typename Condition>
void SpinUntil(Condition condition, std::chrono::milliseconds pause = std::chrono::milliseconds(0),
               std::chrono::milliseconds expected = std::chrono::milliseconds(0)) {
  const auto limit = Clock::now() + expected + std::chrono::seconds(30);
  while (!condition()) {
    if (Clock::now() > limit) {
      std::fprintf(stderr, "playback_bench: timed out waiting\n");
      std::exit(1);
    }
    if (pause.count() > 0) {
      std::this_thread::sleep_for(pause);
    } else {
      std::this_thread::yield();
    }
  }
}

class Bench {
 public:
  explicit Bench(std::unique_ptr<platform::DeadlineWait> stepWait) {
    auto metered = std::make_unique<MeteredWait>(std::move(stepWait));
    stepWait_ = metered.get();
    player_ = std::make_unique<playback::MacroPlayer>(store_, device_, support::SteadyClock::Instance(),
                                                      std::move(metered));
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
    stepWait_->TakeSpent();
    KeyChange(kF1, true);
    KeyChange(kF1, false);
    const std::size_t expected = static_cast<std::size_t>(steps) + 1;  // the steps, then the release
    SpinUntil([&] { return hid_.Reports().size() >= expected && player_->CurrentRecord().code == 0; },
              std::chrono::milliseconds(20), std::chrono::milliseconds(static_cast<long long>(delayMs) * steps));

    const std::chrono::nanoseconds waited = stepWait_->TakeSpent();
    const auto times = hid_.ReportTimes();
    std::vector<double> errors;
    for (int i = 1; i < steps; ++i) {  // the first step is the schedule's origin
      const auto ideal = times[0] + std::chrono::milliseconds(static_cast<long long>(delayMs) * i);
      errors.push_back(Micros(times[i] - ideal).count());
    }
    const double span = Micros(times[steps] - times[0]).count();  // to the release after the last wait
    const double drift = Micros(times[steps - 1] - times[0]).count() - 1000.0 * delayMs * (steps - 1);
    std::printf(
        "    delay %3d ms, %4d steps:  min %7.1f us   p50 %7.1f us   p99 %7.1f us   max %8.1f us   drift %8.1f us"
        "   cost %5.2f%% of a processor (%.1f us a step)\n",
        delayMs, steps, *std::min_element(errors.begin(), errors.end()), Percentile(errors, 0.5),
        Percentile(errors, 0.99), *std::max_element(errors.begin(), errors.end()), drift,
        100.0 * Micros(waited).count() / span, Micros(waited).count() / steps);
    std::fflush(stdout);
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
    std::printf("    p50 %.1f us   p99 %.1f us   max %.1f us\n", Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), Percentile(latencies, 1.0));
  }

 private:
  sim::SimKeyFilterDriver driver_;
  sim::SimVirtualHid hid_;
  hostdrv::VHidev device_{hid_};
  model::RecordStore store_;
  MeteredWait* stepWait_ = nullptr;  // owned by the player
  std::unique_ptr<playback::MacroPlayer> player_;
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

int main(int argc, char** argv) {
  const bool longRun = argc > 1 && std::strcmp(argv[1], "--long") == 0;
  if (argc > 2 || (argc == 2 && !longRun)) {
    std::fprintf(stderr, "usage: playback_bench [--long]\n");
    return 2;
  }
  const support::ScopedLogCapture quiet;  // the store's "no file path" save failures
  const std::vector<model::KeyRecord> records = {Record(kCapsLock, 1, {{kLeftShift, 0, 0, L""}}), Record(kF1, 2, {}),
                                                 Record(kF2, 4, {{kKeyA, 1, 10000, L""}, {kKeyA, 0, 1, L""}})};
  struct Mode {
    const char* name;
    std::unique_ptr<Bench> bench;
  };
  std::vector<Mode> modes;
  modes.push_back({"before, whole-millisecond waits", std::make_unique<Bench>(std::make_unique<WholeMillisecondWait>())});
#if defined(__linux__)
  modes.push_back({"after, futex deadline waits without the final spin",
                   std::make_unique<Bench>(std::make_unique<platform::linux_backend::LinuxDeadlineWait>(
                       platform::linux_backend::SpinLimits::None()))});
#endif
  modes.push_back({"after, the program's deadline waits", std::make_unique<Bench>(ProgramWait())});
  const std::size_t programMode = modes.size() - 1;
  // Step timing only: spinning through the stop measurement's 10 s step would only take a processor
  // from the threads the stop goes through.
  modes.push_back({"reference, a busy wait to each deadline (never sleeps)", std::make_unique<Bench>(std::make_unique<BusyWait>())});
  for (Mode& mode : modes) mode.bench->Assign(records);

  modes[programMode].bench->RemapLatency(10000);

  std::printf("step timing error, report time - ideal schedule from the first step (same cases, alternating):\n");
  const int longSteps = longRun ? 1000 : 100;
  for (const auto& [delayMs, steps] : {std::pair{1, 1000}, std::pair{2, 1000}, std::pair{16, 1000}, std::pair{100, longSteps}}) {
    for (Mode& mode : modes) {
      std::printf("  %s:\n", mode.name);
      mode.bench->StepTiming(delayMs, steps);
    }
  }
  if (!longRun) std::printf("  (the 100 ms case runs 100 steps, not 1000, to keep the run short; --long runs 1000)\n");

  std::printf("stop latency, stopping key press at the filter -> last key-up report (500 stops):\n");
  for (std::size_t i = 0; i <= programMode; ++i) {
    Mode& mode = modes[i];
    std::printf("  %s:\n", mode.name);
    mode.bench->StopLatency(500);
  }
  return 0;
}
