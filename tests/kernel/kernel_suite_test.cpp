// The Linux backend against the real kernel: runs as /init's child inside a qemu guest (see
// run-in-qemu.sh), as root, with uhid, hid-generic, evdev and uinput loaded and no udev daemon.
// `kernel_suite --holder` is the helper process of the kill test.
#include <linux/input.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "device/commands/keyboard_commands.h"
#include "device/commands/keyboard_reports.h"
#include "device/discovery/device_path.h"
#include "device/discovery/enumerate_hid_interfaces.h"
#include "device/io/hid_device.h"
#include "event_node_reader.h"
#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/config/load_config.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "platform/linux/keyboard_event_nodes.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/linux_virtual_hid.h"
#include "platform/report_device.h"
#include "support/clock.h"
#include "support/logger.h"
#include "suite_fixture.h"

namespace {

using namespace std::chrono_literals;
using namespace kbtest;

TEST_F(KernelSuite, DiscoveryFindsTheEmulatedKeyboardBySelectorAndItAnswersTheVersionQuery) {
  const model::DeviceSelector selector = Selector();
  ASSERT_EQ(selector.vid, 0x1A2B);
  const auto records = device::EnumerateHidInterfaces(platform::DefaultHidSystem(), selector);
  ASSERT_EQ(records.size(), 1u);
  const auto ids = device::ParseDevicePath(records[0].devicePath);
  ASSERT_TRUE(ids);
  EXPECT_EQ(ids->interface, 1);
  EXPECT_EQ(ids->collection, 2);
  EXPECT_EQ(records[0].usagePage, 0xFF00);
  EXPECT_EQ(records[0].usage, 0x01);

  // The other collections are listed too, under their own numbers.
  model::DeviceSelector anyCollection = selector;
  anyCollection.subdevice = -1;
  EXPECT_EQ(device::EnumerateHidInterfaces(platform::DefaultHidSystem(), anyCollection).size(), 3u);

  device::HidDevice hid(platform::DefaultHidSystem());
  ASSERT_TRUE(hid.OpenBySelector(selector, nullptr, kOpenMode));
  model::LedEffectStore effects;
  model::SideModelStore sides;
  device::KeyboardCommands commands(hid, effects, sides, support::SteadyClock::Instance());
  ASSERT_TRUE(commands.QueryVersion());
  EXPECT_EQ(commands.Version(), 0x0123);
}

TEST_F(KernelSuite, EffectAndSideLightReportsArriveWithTheirBytes) {
  device::HidDevice hid(platform::DefaultHidSystem());
  ASSERT_TRUE(hid.OpenBySelector(Selector(), nullptr, kOpenMode));
  model::LedEffectStore effects;
  model::SideModelStore sides;
  device::KeyboardCommands commands(hid, effects, sides, support::SteadyClock::Instance());
  Keyboard().ClearReports();
  commands.SendEffect(3);
  commands.SendSideLight(2);
  ASSERT_TRUE(Keyboard().WaitForFeatureReports(2, 5000));
  const auto reports = Keyboard().FeatureReports();
  const device::ReportBytes effect = device::EffectReport(3, *effects.RecordAt(3));
  const device::ReportBytes side = device::SideLightReport(2, *sides.RecordAt(2));
  EXPECT_EQ(reports[0], std::vector<std::uint8_t>(effect.begin(), effect.end()));
  EXPECT_EQ(reports[1], std::vector<std::uint8_t>(side.begin(), side.end()));

  // The factory restore goes out as an output report of the lighting collection.
  commands.SendFactoryRestore();
  const device::ReportBytes restore = device::FactoryRestoreReport();
  for (int i = 0; i < 250 && Keyboard().OutputReports().empty(); ++i) std::this_thread::sleep_for(20ms);
  ASSERT_EQ(Keyboard().OutputReports().size(), 1u);
  EXPECT_EQ(Keyboard().OutputReports()[0], std::vector<std::uint8_t>(restore.begin(), restore.end()));
}

TEST_F(KernelSuite, HotplugRemovalAndArrivalAreSeenWithTheSelectorsPath) {
  const model::DeviceSelector selector = Selector();
  const std::wstring path = device::EnumerateHidInterfaces(platform::DefaultHidSystem(), selector).at(0).devicePath;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<platform::DeviceChange, std::wstring>> seen;
  auto subscription = platform::DefaultHidSystem().WatchInterfaces([&](platform::DeviceChange change, const std::wstring& p) {
    std::scoped_lock lock(mutex);
    seen.emplace_back(change, p);
    changed.notify_all();
  });
  const auto waitFor = [&](platform::DeviceChange change) -> std::optional<std::wstring> {
    std::unique_lock lock(mutex);
    std::optional<std::wstring> found;
    changed.wait_for(lock, 10s, [&] {
      for (const auto& [c, p] : seen) {
        const auto ids = device::ParseDevicePath(p);
        if (c == change && ids && ids->vid == selector.vid && ids->interface == 1 && ids->collection == 2) {
          found = p;
          return true;
        }
      }
      return false;
    });
    return found;
  };

  ASSERT_TRUE(Keyboard().Unplug());
  const auto removed = waitFor(platform::DeviceChange::kRemoval);
  ASSERT_TRUE(removed);
  EXPECT_EQ(*removed, path);

  ASSERT_TRUE(Keyboard().Plug());
  const auto arrived = waitFor(platform::DeviceChange::kArrival);
  ASSERT_TRUE(arrived);
  // The path of the new arrival opens and is the one discovery now lists.
  ASSERT_TRUE(WaitForKeyboard(selector));
  EXPECT_EQ(*arrived, device::EnumerateHidInterfaces(platform::DefaultHidSystem(), selector).at(0).devicePath);
}

TEST_F(KernelSuite, AssignedKeyIsCapturedAndReplacedUnassignedKeyPassesThrough) {
  device::HidDevice hid(platform::DefaultHidSystem());  // the key filter follows the opened keyboard
  ASSERT_TRUE(hid.OpenBySelector(Selector(), nullptr, kOpenMode));
  const std::vector<std::string> keyboardNodes = platform::linux_backend::FindKeyboardEventNodes(0x1A2B, 0x0C3D);
  ASSERT_FALSE(keyboardNodes.empty());
  std::vector<std::unique_ptr<kbtest::EventNodeReader>> system;  // any other program reading the keyboard
  for (const std::string& node : keyboardNodes) system.push_back(std::make_unique<kbtest::EventNodeReader>(node));

  RemapSession session;
  ASSERT_TRUE(session.Start());
  const auto virtualNode = kbtest::WaitForEventNodeNamed(platform::linux_backend::kVirtualDeviceName, 5000);
  const auto passNode = kbtest::WaitForEventNodeNamed(kPassThroughName, 5000);
  ASSERT_TRUE(virtualNode && passNode);
  kbtest::EventNodeReader replaced(*virtualNode);
  kbtest::EventNodeReader passed(*passNode);

  // Assigned key A: captured, its play-1 replacement B goes down and up on the virtual device.
  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageA}));
  EXPECT_TRUE(replaced.WaitForKey(KEY_B, 1, 5000));
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  EXPECT_TRUE(replaced.WaitForKey(KEY_B, 0, 5000));
  EXPECT_FALSE(passed.WaitForKey(KEY_A, 1, 300));  // not passed on
  for (auto& reader : system) EXPECT_FALSE(reader->NextKey(100));  // and the grabbed keyboard shows nothing

  // Unassigned key D: passed through unchanged.
  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageD}));
  EXPECT_TRUE(passed.WaitForKey(KEY_D, 1, 5000));
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  EXPECT_TRUE(passed.WaitForKey(KEY_D, 0, 5000));

  // Assigned key C: the macro player plays the record's steps on the schedule of their delays
  // (by the kernel's event times, from the first step; a delay of 0 counts as 1 ms): none early,
  // none later than the guest's scheduling allows.
  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageC}));
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  const auto xDown = replaced.WaitForKey(KEY_X, 1, 5000);
  const auto xUp = replaced.WaitForKey(KEY_X, 0, 5000);
  const auto yDown = replaced.WaitForKey(KEY_Y, 1, 5000);
  const auto yUp = replaced.WaitForKey(KEY_Y, 0, 5000);
  ASSERT_TRUE(xDown && xUp && yDown && yUp);
  const struct {
    const input_event& event;
    double dueMs;
  } steps[] = {{*xUp, kMacroDelayMs}, {*yDown, 2.0 * kMacroDelayMs}, {*yUp, 2.0 * kMacroDelayMs + 1}};
  for (const auto& step : steps) {
    const double atMs = (kbtest::Seconds(step.event) - kbtest::Seconds(*xDown)) * 1000.0;
    EXPECT_GE(atMs, step.dueMs - 0.5) << "due at " << step.dueMs << " ms";
    EXPECT_LE(atMs, step.dueMs + 50.0) << "due at " << step.dueMs << " ms";
  }
  EXPECT_FALSE(passed.WaitForKey(KEY_C, 1, 200));
}

TEST_F(KernelSuite, AfterTheProgramIsKilledNoKeyIsLeftDownAndTheGrabEnds) {
  device::HidDevice hid(platform::DefaultHidSystem());
  ASSERT_TRUE(hid.OpenBySelector(Selector(), nullptr, kOpenMode));  // wait until it is listed
  const std::string command = "/proc/" + std::to_string(::getpid()) + "/exe --holder " + SuiteFolder().string();
  FILE* holder = ::popen(command.c_str(), "r");
  ASSERT_NE(holder, nullptr);
  char line[64] = {};
  ASSERT_NE(std::fgets(line, sizeof line, holder), nullptr);
  int holderPid = 0;
  ASSERT_EQ(std::sscanf(line, "ready %d", &holderPid), 1) << line;

  const auto virtualNode = kbtest::WaitForEventNodeNamed(platform::linux_backend::kVirtualDeviceName, 5000);
  const auto passNode = kbtest::WaitForEventNodeNamed(kPassThroughName, 5000);
  const std::vector<std::string> keyboardNodes = platform::linux_backend::FindKeyboardEventNodes(0x1A2B, 0x0C3D);
  ASSERT_TRUE(virtualNode && passNode);
  ASSERT_FALSE(keyboardNodes.empty());
  kbtest::EventNodeReader replaced(*virtualNode);
  kbtest::EventNodeReader passed(*passNode);

  // A (assigned) and D (not assigned) held down: B is down on the virtual device, D on the
  // pass-through device.
  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageA, kUsageD}));
  ASSERT_TRUE(replaced.WaitForKey(KEY_B, 1, 5000));
  ASSERT_TRUE(passed.WaitForKey(KEY_D, 1, 5000));

  ASSERT_EQ(::kill(holderPid, SIGKILL), 0);
  ::pclose(holder);  // waits for it to be gone
  // The kernel removes both uinput devices with the process and releases their keys on removal.
  // A reader sees those releases only when it reads them before the node is gone (evdev answers
  // ENODEV from then on), so the check is: release seen, or the device is gone.
  const auto releasedOrGone = [](kbtest::EventNodeReader& reader, std::uint16_t code) {
    return reader.WaitForKey(code, 0, 5000).has_value() || reader.Gone();
  };
  EXPECT_TRUE(releasedOrGone(replaced, KEY_B));
  EXPECT_TRUE(releasedOrGone(passed, KEY_D));
  EXPECT_TRUE(kbtest::EventNodesNamed(platform::linux_backend::kVirtualDeviceName).empty());
  EXPECT_TRUE(kbtest::EventNodesNamed(kPassThroughName).empty());

  // The grab ended with the process: another program can grab each keyboard node now.
  for (const std::string& node : keyboardNodes) {
    kbtest::EventNodeReader keyboard(node);
    ASSERT_TRUE(keyboard.IsOpen());
    bool grabbed = false;
    for (int i = 0; i < 100 && !grabbed; ++i) {
      grabbed = ::ioctl(keyboard.Fd(), EVIOCGRAB, 1) == 0;
      if (!grabbed) std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(grabbed) << node;
    if (grabbed) ::ioctl(keyboard.Fd(), EVIOCGRAB, 0);
  }
  // Back with the system, the keyboard's own key state is what is physically held, and nothing
  // once the keys are let go.
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  std::this_thread::sleep_for(200ms);
  for (const std::string& node : keyboardNodes) {
    kbtest::EventNodeReader keyboard(node);
    unsigned char keys[KEY_MAX / 8 + 1] = {};
    ASSERT_GE(::ioctl(keyboard.Fd(), EVIOCGKEY(sizeof keys), keys), 0);
    for (unsigned char byte : keys) EXPECT_EQ(byte, 0) << node;
  }
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
}

// The helper process: sets up remapping, says "ready <pid>" and waits to be killed.
int RunHolder() {
  // Standard output carries the "ready" line to the suite; the log goes to standard error.
  support::Logger::Instance().ReplaceSink([](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); });
  model::AppConfig config;
  if (!model::LoadConfig(SuiteFolder(), config)) return 2;
  device::HidDevice hid(platform::DefaultHidSystem());
  if (!hid.OpenBySelector(config.selector, nullptr, kOpenMode)) return 3;
  RemapSession session;
  if (!session.Start()) return 4;
  std::printf("ready %d\n", static_cast<int>(::getpid()));
  std::fflush(stdout);
  while (true) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--holder") {
    kbtest::SuiteFolder() = argv[2];
    return RunHolder();
  }
  ::testing::InitGoogleTest(&argc, argv);
  kbtest::SuiteFolder() = argc >= 2 ? std::filesystem::path(argv[1])
                            : std::filesystem::path(argv[0]).parent_path();
  return RUN_ALL_TESTS();
}
