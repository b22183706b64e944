// Remap latency on the real kernel, inside the kernel suite's guest (label bench, run by
// tools/run-kernel-bench.sh): the emulated uhid keyboard presses A, which kbconfig has assigned to
// B (a play-1 record, through the key filter, the channel, the key-event routine and the virtual
// device); the time from writing the uhid input report to the replacement's key event on the
// virtual device's evdev node. The same measurement through Debian's interception-tools, the
// minimal grab-to-uinput pipeline ("interception -g <keyboard> | uinput -d <keyboard>"; Debian
// names the intercept tool "interception"), which passes A on unchanged, is the reference. Both
// run in blocks of presses in alternating order, so a change of load in the guest falls on both.
//
// Times: the report's write is taken from CLOCK_MONOTONIC just before it; the key event carries
// the kernel's CLOCK_MONOTONIC time of its injection through uinput (EVIOCSCLOCKID), so the
// reader's own wake-up is not counted.
//
// Usage: kernel_remap_bench <folder with config.xml, interception and uinput>
// KBCONFIG_BENCH_PRESSES=<n> sets the presses per tool (2000 by default).
#include <linux/input.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/io/hid_device.h"
#include "event_node_reader.h"
#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/records/record_store.h"
#include "platform/filter_device.h"
#include "platform/hid.h"
#include "platform/linux/keyboard_event_nodes.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/linux_virtual_hid.h"
#include "platform/report_device.h"
#include "playback/macro_player.h"
#include "support/logger.h"
#include "suite_fixture.h"

extern char** environ;

namespace kbtest {
namespace {

using namespace std::chrono_literals;

constexpr int kDefaultPresses = 2000;
constexpr int kBlocks = 4;
constexpr int kWarmUpPresses = 20;
constexpr model::KeyCode kKeyA = 0x00070004;
constexpr model::KeyCode kKeyB = 0x00070005;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "kernel_remap_bench: %s\n", why.c_str());
  std::exit(1);
}

double MonotonicMicros() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// Reads the output device with the kernel's monotonic event times.
std::unique_ptr<EventNodeReader> MonotonicReader(const std::string& node) {
  auto reader = std::make_unique<EventNodeReader>(node);
  int clock = CLOCK_MONOTONIC;
  if (!reader->IsOpen() || ::ioctl(reader->Fd(), EVIOCSCLOCKID, &clock) != 0) Fail("cannot read " + node);
  return reader;
}

// Presses and releases A `count` times after a warm-up, each press once the last release has come
// out, and appends each press's latency to `latencies`.
void MeasurePresses(EventNodeReader& output, std::uint16_t outputKey, int count, std::vector<double>& latencies) {
  for (int press = 0; press < kWarmUpPresses + count; ++press) {
    const double written = MonotonicMicros();
    if (!Keyboard().SendKeys(0, {kUsageA})) Fail("uhid input report");
    const auto down = output.WaitForKey(outputKey, 1, 5000);
    if (!down) Fail("no key press came out");
    if (!Keyboard().SendKeys(0, {})) Fail("uhid input report");
    if (!output.WaitForKey(outputKey, 0, 5000)) Fail("no key release came out");
    if (press >= kWarmUpPresses) latencies.push_back(Seconds(*down) * 1e6 - written);
  }
}

// kbconfig: the key filter grabs the keyboard, A is a play-1 record giving B.
void MeasureKbconfig(int count, std::vector<double>& latencies) {
  model::RecordStore records;
  model::KeyRecord record;
  record.code = kKeyA;
  record.play = 1;
  record.repeat = 1;
  record.steps = {model::MacroStep{kKeyB, 1, 0, L"B"}};
  {
    support::ScopedLogCapture quiet;  // a store without a file logs its save
    records.UpsertRecord(record);
  }
  hostdrv::VHidev vhid(platform::DefaultReportDeviceSystem());
  if (!vhid.OpenVirtualDevice()) Fail("no virtual device");
  playback::MacroPlayer player(records, vhid);
  {
    HidUsbFilter::KeyFilterChannel channel(platform::DefaultFilterDeviceSystem());
    channel.AddListener(&player, &playback::MacroPlayer::OnKeyEvent);
    const std::vector<model::KeyCode> assigned = {kKeyA};
    if (!channel.Open() || channel.StartMonitoring() == 0 || channel.SetCaptureTable(assigned) == 0) {
      Fail("key filter channel");
    }
    bool grabbed = false;
    for (int i = 0; i < 250 && !grabbed; ++i) {
      grabbed = !platform::linux_backend::DefaultKeyFilter().GrabbedNodes().empty();
      if (!grabbed) std::this_thread::sleep_for(20ms);
    }
    if (!grabbed) Fail("the key filter did not grab the keyboard");
    const auto node = WaitForEventNodeNamed(platform::linux_backend::kVirtualDeviceName, 5000);
    if (!node) Fail("no virtual device node");
    const auto output = MonotonicReader(*node);
    MeasurePresses(*output, KEY_B, count, latencies);
    channel.RemoveListener(&player, &playback::MacroPlayer::OnKeyEvent);
  }  // the channel clears its table and closes: the grab ends
  player.Shutdown();
}

std::string NameOf(const std::string& eventNode) {
  std::ifstream file("/sys/class/input/" + eventNode.substr(eventNode.rfind('/') + 1) + "/device/name");
  std::string name;
  std::getline(file, name);
  return name;
}

// interception-tools: "interception -g <node> | uinput -d <node>" in a process group of its own.
void MeasureInterception(const std::string& tools, const std::string& keyboardNode, int count,
                         std::vector<double>& latencies) {
  const std::string name = NameOf(keyboardNode);
  const std::vector<std::string> before = EventNodesNamed(name);
  std::string shell = "/bin/sh";
  std::string dashC = "-c";
  std::string pipeline = tools + "/interception -g " + keyboardNode + " | " + tools + "/uinput -d " + keyboardNode;
  char* argv[] = {shell.data(), dashC.data(), pipeline.data(), nullptr};
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t group = -1;
  const int spawned = ::posix_spawn(&group, shell.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) Fail("cannot start " + pipeline);

  std::optional<std::string> clone;
  for (int i = 0; i < 250 && !clone; ++i) {
    for (const std::string& node : EventNodesNamed(name)) {
      if (std::find(before.begin(), before.end(), node) == before.end()) clone = node;
    }
    if (!clone) std::this_thread::sleep_for(20ms);
  }
  if (!clone) Fail("interception-tools made no uinput device");
  // Grabbed once another grab is refused.
  EventNodeReader probe(keyboardNode);
  bool grabbed = false;
  for (int i = 0; i < 250 && !grabbed; ++i) {
    if (::ioctl(probe.Fd(), EVIOCGRAB, 1) == 0) {
      ::ioctl(probe.Fd(), EVIOCGRAB, 0);
      std::this_thread::sleep_for(20ms);
    } else {
      grabbed = true;
    }
  }
  if (!grabbed) Fail("interception did not grab the keyboard");
  const auto output = MonotonicReader(*clone);
  MeasurePresses(*output, KEY_A, count, latencies);

  ::kill(-group, SIGTERM);
  int status = 0;
  ::waitpid(group, &status, 0);
  const auto cloneLeft = [&] {
    const std::vector<std::string> now = EventNodesNamed(name);
    return std::find(now.begin(), now.end(), *clone) != now.end();
  };
  for (int i = 0; i < 250 && cloneLeft(); ++i) std::this_thread::sleep_for(20ms);
}

void PrintRow(const char* tool, const std::vector<double>& latencies) {
  std::printf("  %-20s %9.1f %9.1f %9.1f\n", tool, Percentile(latencies, 0.5), Percentile(latencies, 0.99),
              Percentile(latencies, 1.0));
}

int Run(const std::string& folder, int presses) {
  SuiteFolder() = folder;
  if (!Keyboard().Plug() || !WaitForKeyboard(Selector())) Fail("the emulated keyboard is not listed");
  device::HidDevice hid(platform::DefaultHidSystem());  // the key filter follows the opened keyboard
  if (!hid.OpenBySelector(Selector(), nullptr, kOpenMode)) Fail("cannot open the emulated keyboard");

  std::optional<std::string> keyboardNode;
  for (const std::string& node : platform::linux_backend::FindKeyboardEventNodes(kKeyboardVendor, kKeyboardProduct)) {
    EventNodeReader reader(node);
    unsigned char keys[KEY_MAX / 8 + 1] = {};
    if (reader.IsOpen() && ::ioctl(reader.Fd(), EVIOCGBIT(EV_KEY, sizeof keys), keys) >= 0 &&
        (keys[KEY_A / 8] & (1 << (KEY_A % 8))) != 0) {
      keyboardNode = node;
    }
  }
  if (!keyboardNode) Fail("no event node of the emulated keyboard has KEY_A");

  std::vector<double> ours;
  std::vector<double> theirs;
  const int perBlock = (presses + kBlocks - 1) / kBlocks;
  for (int block = 0; block < kBlocks; ++block) {
    if (block % 2 == 0) {
      MeasureKbconfig(perBlock, ours);
      MeasureInterception(folder, *keyboardNode, perBlock, theirs);
    } else {
      MeasureInterception(folder, *keyboardNode, perBlock, theirs);
      MeasureKbconfig(perBlock, ours);
    }
  }

  std::printf("remap latency: uhid input report -> replacement key event on the output device's evdev node\n");
  std::printf("(%zu presses each, %d blocks in alternating order, after %d warm-up presses per block)\n",
              ours.size(), kBlocks, kWarmUpPresses);
  std::printf("  %-20s %9s %9s %9s\n", "us", "p50", "p99", "max");
  PrintRow("kbconfig", ours);
  PrintRow("interception-tools", theirs);
  std::printf("  %-20s %9.2f %9.2f %9.2f\n", "ratio", Percentile(ours, 0.5) / Percentile(theirs, 0.5),
              Percentile(ours, 0.99) / Percentile(theirs, 0.99), Percentile(ours, 1.0) / Percentile(theirs, 1.0));
  return 0;
}

}  // namespace
}  // namespace kbtest

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kernel_remap_bench <folder>\n");
    return 2;
  }
  const char* asked = std::getenv("KBCONFIG_BENCH_PRESSES");
  const int presses = asked != nullptr ? std::atoi(asked) : 0;
  return kbtest::Run(argv[1], presses > 0 ? presses : kbtest::kDefaultPresses);
}
