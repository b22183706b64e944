// Remap latency on the real kernel, inside a qemu guest (label bench, run by
// tools/run-kernel-bench.sh in the host-root guest): the emulated uhid keyboard presses A, which
// kbconfig has assigned to B (a play-1 record, through the key filter, the channel, the
// key-event routine and the virtual device); the time from writing the uhid input report to the
// replacement's key event on the virtual device's evdev node. The same measurement through the
// tools users pick for the same job, from Debian:
//  - interception-tools, the minimal grab-to-uinput pipeline ("interception -g <keyboard> |
//    uinput -d <keyboard>"; Debian names the intercept tool "interception"), which passes A on
//    unchanged;
//  - input-remapper 1.5.0 (its service started beforehand, told where its configuration is),
//    with a preset mapping A to B, started and stopped with input-remapper-control as its own
//    user interface does; B comes out of its "input-remapper keyboard" device.
// All run in blocks of presses in rotating order, so a change of load in the guest falls on each.
//
// Times: the report's write is taken from CLOCK_MONOTONIC just before it; the key event carries
// the kernel's CLOCK_MONOTONIC time of its injection through uinput (EVIOCSCLOCKID), so the
// reader's own wake-up is not counted.
//
// Usage: kernel_remap_bench <folder with config.xml> [--interception <folder with interception and
//        uinput>] [--input-remapper <its configuration folder>]
// A tool not named is left out. KBCONFIG_BENCH_PRESSES=<n> sets the presses per tool (2000 by
// default).
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
#include <filesystem>
#include <fstream>
#include <functional>
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

// Waits until the node is grabbed by another program (a grab of our own is refused) or, with
// `grabbed` false, until it is free again.
bool WaitForGrab(const std::string& node, bool grabbed) {
  EventNodeReader probe(node);
  for (int i = 0; i < 1500; ++i) {
    const bool refused = ::ioctl(probe.Fd(), EVIOCGRAB, 1) != 0;
    if (!refused) ::ioctl(probe.Fd(), EVIOCGRAB, 0);
    if (refused == grabbed) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
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
  if (!WaitForGrab(keyboardNode, true)) Fail("interception did not grab the keyboard");
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

std::string SysAttribute(const std::string& eventNode, const std::string& attribute) {
  std::ifstream file("/sys/class/input/" + eventNode.substr(eventNode.rfind('/') + 1) + "/device/" + attribute);
  std::string value;
  std::getline(file, value);
  return value;
}

// The name input-remapper gives the group of the keyboard's nodes: it groups the event nodes of
// one device by bus, vendor, product and the part of their phys before the first '/', and names
// the group after the shortest name among them.
std::string InputRemapperGroupName(const std::string& keyboardNode) {
  const auto key = [](const std::string& node) {
    const std::string phys = SysAttribute(node, "phys");
    return SysAttribute(node, "id/bustype") + "_" + SysAttribute(node, "id/vendor") + "_" +
           SysAttribute(node, "id/product") + "_" + phys.substr(0, phys.find('/'));
  };
  const std::string wanted = key(keyboardNode);
  std::string name = NameOf(keyboardNode);
  for (int number = 0; number < 64; ++number) {
    const std::string node = "/dev/input/event" + std::to_string(number);
    if (SysAttribute(node, "name").empty() || key(node) != wanted) continue;
    const std::string other = SysAttribute(node, "name");
    if (other.size() < name.size()) name = other;
  }
  return name;
}

bool RunQuietly(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& word : command) line += "'" + word + "' ";
  line += ">/dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

// input-remapper 1.5.0: its service runs and knows `configFolder` (see tools/run-kernel-bench.sh);
// a preset maps A to B, and input-remapper-control starts and stops it for the keyboard.
void MeasureInputRemapper(const std::string& configFolder, const std::string& keyboardNode, int count,
                          std::vector<double>& latencies) {
  const std::string group = InputRemapperGroupName(keyboardNode);
  const std::filesystem::path presets = std::filesystem::path(configFolder) / "presets" / group;
  std::filesystem::create_directories(presets);
  {
    std::ofstream preset(presets / "kbconfig-bench.json");
    // EV_KEY (1), KEY_A (30), pressed (1) -> KEY_B on its keyboard device. (The service knows the
    // evdev names only; "b" would need the session's xmodmap.)
    preset << R"({"mapping": {"1,30,1": ["KEY_B", "keyboard"]}})" << "\n";
    if (!preset) Fail("cannot write the input-remapper preset");
  }
  if (!RunQuietly({"input-remapper-control", "--command", "start", "--device", keyboardNode, "--preset",
                   "kbconfig-bench"})) {
    Fail("input-remapper-control could not start the preset");
  }
  if (!WaitForGrab(keyboardNode, true)) Fail("input-remapper did not grab the keyboard");
  const auto node = WaitForEventNodeNamed("input-remapper keyboard", 30000);
  if (!node) Fail("input-remapper made no keyboard device");
  const auto output = MonotonicReader(*node);
  MeasurePresses(*output, KEY_B, count, latencies);
  if (!RunQuietly({"input-remapper-control", "--command", "stop", "--device", keyboardNode})) {
    Fail("input-remapper-control could not stop the preset");
  }
  if (!WaitForGrab(keyboardNode, false)) Fail("input-remapper kept the keyboard");
}

struct Tool {
  const char* name;
  std::function<void(int count, std::vector<double>& latencies)> measure;
  std::vector<double> latencies;
};

void PrintRow(const char* tool, const std::vector<double>& latencies) {
  std::printf("  %-20s %9.1f %9.1f %9.1f\n", tool, Percentile(latencies, 0.5), Percentile(latencies, 0.99),
              Percentile(latencies, 1.0));
}

int Run(const std::string& folder, const std::string& interception, const std::string& inputRemapper, int presses) {
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

  std::vector<Tool> tools;
  tools.push_back({"kbconfig", [](int count, std::vector<double>& out) { MeasureKbconfig(count, out); }, {}});
  if (!interception.empty()) {
    tools.push_back({"interception-tools",
                     [&](int count, std::vector<double>& out) { MeasureInterception(interception, *keyboardNode, count, out); },
                     {}});
  }
  if (!inputRemapper.empty()) {
    tools.push_back({"input-remapper",
                     [&](int count, std::vector<double>& out) { MeasureInputRemapper(inputRemapper, *keyboardNode, count, out); },
                     {}});
  }
  const int perBlock = (presses + kBlocks - 1) / kBlocks;
  for (int block = 0; block < kBlocks; ++block) {
    // Each block starts with the next tool, so each one is first, middle and last in turn.
    for (std::size_t i = 0; i < tools.size(); ++i) {
      Tool& tool = tools[(i + static_cast<std::size_t>(block)) % tools.size()];
      tool.measure(perBlock, tool.latencies);
    }
  }

  std::printf("remap latency: uhid input report -> replacement key event on the output device's evdev node\n");
  std::printf("(%zu presses each, %d blocks in rotating order, after %d warm-up presses per block)\n",
              tools[0].latencies.size(), kBlocks, kWarmUpPresses);
  std::printf("  %-20s %9s %9s %9s\n", "us", "p50", "p99", "max");
  for (const Tool& tool : tools) PrintRow(tool.name, tool.latencies);
  const std::vector<double>& ours = tools[0].latencies;
  for (std::size_t i = 1; i < tools.size(); ++i) {
    const std::vector<double>& theirs = tools[i].latencies;
    std::printf("  ratio to %-11s %9.2f %9.2f %9.2f\n", tools[i].name, Percentile(ours, 0.5) / Percentile(theirs, 0.5),
                Percentile(ours, 0.99) / Percentile(theirs, 0.99), Percentile(ours, 1.0) / Percentile(theirs, 1.0));
  }
  return 0;
}

}  // namespace
}  // namespace kbtest

int main(int argc, char** argv) {
  std::string folder;
  std::string interception;
  std::string inputRemapper;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--interception" && i + 1 < argc) {
      interception = argv[++i];
    } else if (arg == "--input-remapper" && i + 1 < argc) {
      inputRemapper = argv[++i];
    } else if (folder.empty()) {
      folder = arg;
    } else {
      folder.clear();
      break;
    }
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: kernel_remap_bench <folder> [--interception <folder>] [--input-remapper <folder>]\n");
    return 2;
  }
  const char* asked = std::getenv("KBCONFIG_BENCH_PRESSES");
  const int presses = asked != nullptr ? std::atoi(asked) : 0;
  return kbtest::Run(folder, interception, inputRemapper, presses > 0 ? presses : kbtest::kDefaultPresses);
}
