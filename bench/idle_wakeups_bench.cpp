// Counts how often the Qt-free core wakes up while nothing happens.
//
// The core is set up the way the main window sets it up: the virtual HID device open, the key
// filter channel open and monitoring with a key-event read pending, the macro player registered as
// its listener, one finite playback played to its end (so the playback thread is idle), and the
// delayed-job thread with its one start-up job already run. Then the process's threads' context
// switches (voluntary + nonvoluntary, from /proc/self/task/*/status) are counted over the measuring
// time, per thread and in total, with the processor time each thread role (from
// /proc/self/task/*/schedstat) and the process used meanwhile: the spin of the playback's step
// waits shows in the playback thread's.
//
// Cases: the filter driver present; the same with the program in front watched, as switching by
// program does (the window system's watcher: under X11 it needs DISPLAY, and a window manager to
// name the active window; tools/with-window-manager.sh gives both); the filter driver missing (the
// channel has no device); a faulty filter driver that refuses every key-event read; and, for
// comparison, the filter driver present with a macro of 1, 16 and 100 ms steps playing (an endless
// toggle playback) during the measuring time.
// The playback thread waits with the deadline wait the program uses on Linux.
//
// Usage: idle_wakeups_bench [seconds per case, default 10]
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/records/record_store.h"
#include "platform/foreground.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_virtual_hid.h"
#include "platform/linux/linux_deadline_wait.h"
#include "playback/macro_player.h"
#include "support/logger.h"
#include "threads/runable_thread.h"

namespace {

using Clock = std::chrono::steady_clock;
using Tid = long;

constexpr model::KeyCode kF1 = 0x0007003A;
constexpr model::KeyCode kF2 = 0x0007003B;
constexpr model::KeyCode kKeyA = 0x00070004;

struct ThreadUsage {
  std::uint64_t switches = 0;  // context switches, voluntary + nonvoluntary
  std::uint64_t cpuNs = 0;     // processor time
};

// What every thread of this process has used so far, by thread id.
std::map<Tid, ThreadUsage> ReadThreadUsage() {
  std::map<Tid, ThreadUsage> usage;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream status(entry.path() / "status");
    std::ifstream schedstat(entry.path() / "schedstat");  // first field: time on a processor, in ns
    if (!status || !schedstat) continue;  // the thread has just ended
    ThreadUsage thread;
    std::string line;
    while (std::getline(status, line)) {
      const auto colon = line.find(':');
      if (colon == std::string::npos) continue;
      const std::string key = line.substr(0, colon);
      if (key == "voluntary_ctxt_switches" || key == "nonvoluntary_ctxt_switches") {
        thread.switches += std::strtoull(line.c_str() + colon + 1, nullptr, 10);
      }
    }
    schedstat >> thread.cpuNs;
    usage[std::strtol(entry.path().filename().c_str(), nullptr, 10)] = thread;
  }
  if (error) {
    std::fprintf(stderr, "idle_wakeups_bench: cannot list /proc/self/task: %s\n", error.message().c_str());
    std::exit(1);
  }
  return usage;
}

// The processor time this process has used, all threads together.
std::chrono::nanoseconds ProcessCpuTime() {
  timespec now{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now) != 0) {
    std::perror("idle_wakeups_bench: clock_gettime(CLOCK_PROCESS_CPUTIME_ID)");
    std::exit(1);
  }
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

std::set<Tid> ThreadIds() {
  std::set<Tid> ids;
  for (const auto& [tid, usage] : ReadThreadUsage()) ids.insert(tid);
  return ids;
}

template <typename Condition>
void WaitUntil(Condition condition, const char* what) {
  const auto limit = Clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (Clock::now() > limit) {
      std::fprintf(stderr, "idle_wakeups_bench: timed out waiting for %s\n", what);
      std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Names the threads that appear while `start` runs with `role`.
class ThreadRoles {
 public:
  ThreadRoles() { roles_[ThreadIdOfMain()] = "main (measuring, sleeps)"; }

  template <typename Start>
  void Track(const std::string& role, Start start) {
    const std::set<Tid> before = ThreadIds();
    start();
    for (Tid tid : ThreadIds()) {
      if (!before.contains(tid) && !roles_.contains(tid)) roles_[tid] = role;
    }
  }

  std::string RoleOf(Tid tid) const {
    const auto found = roles_.find(tid);
    return found == roles_.end() ? "other" : found->second;
  }

 private:
  static Tid ThreadIdOfMain() { return static_cast<Tid>(gettid()); }

  std::map<Tid, std::string> roles_;
};

// The start-up job's owner: counts its runs.
struct StartupJob {
  std::atomic<int> runs{0};
  std::int32_t Run(std::int32_t, std::int32_t, std::span<const std::uint8_t>) {
    ++runs;
    return 0;
  }
};

// A faulty filter driver: the emulated one, except that it refuses every key-event read.
class RefusingReadsFilter final : public platform::FilterDeviceSystem {
 public:
  explicit RefusingReadsFilter(sim::SimKeyFilterDriver& inner) : inner_(inner) {}

  std::unique_ptr<platform::AbortEvent> CreateAbortEvent() override { return inner_.CreateAbortEvent(); }
  std::unique_ptr<platform::FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                           std::uint32_t& error) override {
    std::unique_ptr<platform::FilterDevice> device = inner_.OpenFilterDevice(path, access, error);
    if (!device) return nullptr;
    return std::make_unique<Device>(std::move(device));
  }

 private:
  class Device final : public platform::FilterDevice {
   public:
    explicit Device(std::unique_ptr<platform::FilterDevice> inner) : inner_(std::move(inner)) {}
    platform::SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                                   std::size_t outputSize) override {
      if (code != sim::kFilterCodeReadKey) return inner_->Submit(code, input, inputSize, output, outputSize);
      platform::SubmitOutcome refused;
      refused.kind = platform::SubmitOutcome::Kind::kFailed;
      refused.error = 1;  // invalid function
      return refused;
    }

   private:
    std::unique_ptr<platform::FilterDevice> inner_;
  };

  sim::SimKeyFilterDriver& inner_;
};

enum class FilterCase { kPresent, kPresentWatching, kMissing, kFaulty, kPresentPlaying };

std::string Describe(FilterCase filterCase, std::chrono::milliseconds step) {
  switch (filterCase) {
    case FilterCase::kPresent:
      return "filter driver present, key-event read pending";
    case FilterCase::kPresentWatching:
      return "filter driver present, the program in front watched";
    case FilterCase::kMissing:
      return "filter driver missing, channel without a device";
    case FilterCase::kFaulty:
      return "faulty filter driver, every key-event read refused";
    case FilterCase::kPresentPlaying:
      return "a playing macro with " + std::to_string(step.count()) + " ms steps, filter driver present";
  }
  return "";
}

// Presses and releases `key` through the emulated filter driver, each once a read is pending.
void Tap(sim::SimKeyFilterDriver& driver, model::KeyCode key) {
  WaitUntil([&] { return driver.PendingReads() == 1; }, "a pending read");
  driver.PressKey(key);
  WaitUntil([&] { return driver.PendingReads() == 1; }, "the next read");
  driver.ReleaseKey(key);
}

// `step`: the step length of the macro that plays in kPresentPlaying.
void Measure(FilterCase filterCase, std::chrono::seconds duration,
             std::chrono::milliseconds step = std::chrono::milliseconds(100)) {
  if (filterCase == FilterCase::kPresentWatching && !platform::SystemForegroundWatcher().Available()) {
    std::printf("%s: skipped, the program in front cannot be told here (no X display, or Wayland)\n",
                Describe(filterCase, step).c_str());
    return;
  }
  const bool filterPresent = filterCase != FilterCase::kMissing && filterCase != FilterCase::kFaulty;
  sim::SimKeyFilterDriver driver(filterCase != FilterCase::kMissing);
  RefusingReadsFilter refusingDriver(driver);
  sim::SimVirtualHid hid;
  hostdrv::VHidev device(hid);
  model::RecordStore store;
  ThreadRoles roles;

  if (!device.OpenVirtualDevice()) std::exit(1);
  model::KeyRecord record;
  record.code = kF1;
  record.play = 2;
  record.repeat = 2;
  record.steps = {{kKeyA, 1, 5, L""}, {kKeyA, 0, 5, L""}};
  store.UpsertRecord(record);  // no file behind the store: the save failure is only logged
  model::KeyRecord toggled;  // plays until pressed again
  toggled.code = kF2;
  toggled.play = 4;
  const auto stepMs = static_cast<int>(step.count());
  toggled.steps = {{kKeyA, 1, stepMs, L""}, {kKeyA, 0, stepMs, L""}};
  store.UpsertRecord(toggled);

  auto player = std::make_unique<playback::MacroPlayer>(store, device, support::SteadyClock::Instance(),
                                                        std::make_unique<platform::linux_backend::LinuxDeadlineWait>());
  auto channel = std::make_unique<HidUsbFilter::KeyFilterChannel>(
      filterCase == FilterCase::kFaulty ? static_cast<platform::FilterDeviceSystem&>(refusingDriver) : driver);
  channel->AddListener(player.get(), &playback::MacroPlayer::OnKeyEvent);
  const bool opened = channel->Open();
  roles.Track("key filter monitor", [&] {
    if (channel->StartMonitoring() == 0) std::exit(1);
  });
  const model::KeyCode codes[] = {kF1, kF2};
  channel->SetCaptureTable(codes);

  StartupJob startup;
  auto timer = std::make_unique<threads::RunableThread<0>>();
  auto job = std::make_unique<threads::ThreadRunable<StartupJob>>(&startup, &StartupJob::Run);
  job->SetInterval(100);
  timer->Post(std::move(job), false);
  roles.Track("delayed jobs: timer + worker", [&] {
    if (timer->Start(&startup) != 0) std::exit(1);
  });

  // One finite playback, played to its end. Through the filter when it works, else handed to the
  // player directly as the monitor thread would.
  roles.Track("playback", [&] {
    if (filterPresent) {
      Tap(driver, kF1);
    } else {
      player->OnKeyEvent(model::KeyPage(kF1), model::KeyUsage(kF1), 1);
      player->OnKeyEvent(model::KeyPage(kF1), model::KeyUsage(kF1), 0);
    }
    WaitUntil([&] { return player->IsPlaybackThreadRunning(); }, "the playback thread");
  });
  WaitUntil([&] { return hid.Reports().size() == 5 && player->CurrentRecord().code == 0; }, "the playback's end");
  WaitUntil([&] { return startup.runs.load() == 1; }, "the start-up job");
  if (filterPresent) {
    WaitUntil([&] { return driver.PendingReads() == 1; }, "a pending read");
  }
  if (filterCase == FilterCase::kPresentPlaying) {
    roles.Track("playback", [&] {
      Tap(driver, kF2);
      WaitUntil([&] { return hid.Reports().size() > 5; }, "the toggled playback's first step");
    });
    WaitUntil([&] { return driver.PendingReads() == 1; }, "a pending read");
  }
  std::atomic<int> programsTold{0};
  std::unique_ptr<platform::Subscription> watching;
  if (filterCase == FilterCase::kPresentWatching) {
    platform::ForegroundWatcher& watcher = platform::SystemForegroundWatcher();
    roles.Track("foreground watcher", [&] {
      watching = watcher.Watch([&programsTold](const platform::ForegroundProgram&) { ++programsTold; });
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let everything settle
  const int toldBefore = programsTold.load();

  const std::size_t reportsBefore = hid.Reports().size();
  const auto before = ReadThreadUsage();
  const auto cpuBefore = ProcessCpuTime();
  const auto started = Clock::now();
  std::this_thread::sleep_for(duration);
  const auto cpuUsed = ProcessCpuTime() - cpuBefore;
  const auto after = ReadThreadUsage();
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  const std::size_t reportsSent = hid.Reports().size() - reportsBefore;

  std::map<std::string, ThreadUsage> byRole;
  std::uint64_t workers = 0;
  std::uint64_t all = 0;
  for (const auto& [tid, usage] : after) {
    const auto old = before.find(tid);
    const ThreadUsage previous = old == before.end() ? ThreadUsage{} : old->second;
    const std::uint64_t woke = usage.switches - previous.switches;
    const std::string role = roles.RoleOf(tid);
    byRole[role].switches += woke;
    byRole[role].cpuNs += usage.cpuNs - previous.cpuNs;
    all += woke;
    if (role.rfind("main", 0) != 0) workers += woke;
  }

  std::printf("%s (filter device %s), %.1f s:\n", Describe(filterCase, step).c_str(), opened ? "open" : "not open",
              seconds);
  std::printf("  worker threads: %llu wake-ups, %.1f per second\n", static_cast<unsigned long long>(workers),
              static_cast<double>(workers) / seconds);
  for (const auto& [role, usage] : byRole) {
    std::printf("    %-32s %8llu  (%.1f/s)   processor %.3f%%\n", role.c_str(),
                static_cast<unsigned long long>(usage.switches), static_cast<double>(usage.switches) / seconds,
                static_cast<double>(usage.cpuNs) / (1e7 * seconds));
  }
  std::printf("  all threads incl. main: %llu\n", static_cast<unsigned long long>(all));
  const double cpuMs = std::chrono::duration<double, std::milli>(cpuUsed).count();
  std::printf("  processor time: %.1f ms (%.2f%% of one processor)\n", cpuMs, cpuMs / (10.0 * seconds));
  if (filterCase == FilterCase::kPresentWatching) {
    std::printf("  programs in front told meanwhile: %d\n", programsTold.load() - toldBefore);
  }
  if (filterCase == FilterCase::kPresentPlaying) {
    std::printf("  macro steps sent meanwhile: %zu (%.1f per second)\n", reportsSent,
                static_cast<double>(reportsSent) / seconds);
  }
  std::fflush(stdout);

  watching.reset();
  channel->RemoveListener(player.get(), &playback::MacroPlayer::OnKeyEvent);
  player->Shutdown();
  channel.reset();
  player.reset();
  timer.reset();
}

}  // namespace

int main(int argc, char** argv) {
  const support::ScopedLogCapture quiet;  // the store's "no file path" save failures, refused reads
  const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10;
  if (seconds <= 0) {
    std::fprintf(stderr, "usage: idle_wakeups_bench [seconds per case]\n");
    return 2;
  }
  const std::chrono::seconds duration(seconds);
  Measure(FilterCase::kPresent, duration);
  Measure(FilterCase::kPresentWatching, duration);
  Measure(FilterCase::kMissing, duration);
  Measure(FilterCase::kFaulty, duration);
  for (const int stepMs : {1, 16, 100}) {
    Measure(FilterCase::kPresentPlaying, duration, std::chrono::milliseconds(stepMs));
  }
  return 0;
}
