// The key filter re-opened while a key is held: the program re-opens the filter device on every
// keyboard arrival (all handles closed, then new ones opened). The grab, the keys it holds and the
// key events queued for the next read must survive that, or a remapped key's replacement stays down.
#include <linux/input.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "device/io/hid_device.h"
#include "event_node_reader.h"
#include "platform/filter_device.h"
#include "platform/filter_protocol.h"
#include "platform/hid.h"
#include "platform/linux/keyboard_event_nodes.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/linux_virtual_hid.h"
#include "suite_fixture.h"

namespace kbtest {
namespace {

using namespace std::chrono_literals;
using EventBytes = std::array<std::uint8_t, 4>;

constexpr EventBytes kADown = {kUsageA, 0x00, 0x07, 0x01};
constexpr EventBytes kAUp = {kUsageA, 0x00, 0x07, 0x00};

std::vector<std::unique_ptr<EventNodeReader>> ReadersOf(const std::vector<std::string>& nodes) {
  std::vector<std::unique_ptr<EventNodeReader>> readers;
  for (const std::string& node : nodes) readers.push_back(std::make_unique<EventNodeReader>(node));
  return readers;
}

bool WaitUntilGrabbed(bool grabbed) {
  for (int i = 0; i < 250; ++i) {
    if (platform::linux_backend::DefaultKeyFilter().GrabbedNodes().empty() != grabbed) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

// One request that goes pending and completes, waited for up to `timeoutMs`.
std::optional<EventBytes> Request(platform::FilterDevice& device, std::uint32_t code, const void* input,
                                  std::size_t inputSize, int timeoutMs) {
  EventBytes output{};
  const bool read = code == platform::kFilterRequestReadKeyEvent;
  platform::SubmitOutcome outcome =
      device.Submit(code, input, inputSize, read ? output.data() : nullptr, read ? output.size() : 0);
  if (outcome.kind != platform::SubmitOutcome::Kind::kPending) return std::nullopt;
  auto abort = platform::DefaultFilterDeviceSystem().CreateAbortEvent();
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread timer([&] {
    std::unique_lock lock(mutex);
    if (!ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done; })) abort->Set();
  });
  const platform::PendingRequest::End end = outcome.pending->WaitOrAbort(*abort);
  {
    std::scoped_lock lock(mutex);
    done = true;
  }
  ended.notify_all();
  timer.join();
  if (end.kind != platform::PendingRequest::End::Kind::kCompleted) return std::nullopt;
  return output;
}

std::optional<EventBytes> ReadKeyEvent(platform::FilterDevice& device, int timeoutMs) {
  return Request(device, platform::kFilterRequestReadKeyEvent, nullptr, 0, timeoutMs);
}

bool SendCaptureTable(platform::FilterDevice& device, bool captureA) {
  std::array<std::uint8_t, 1024> table{};
  if (captureA) table = {kUsageA, 0x00, 0x07, 0x02};
  return Request(device, platform::kFilterRequestCaptureTable, table.data(), table.size(), 5000).has_value();
}

std::unique_ptr<platform::FilterDevice> OpenFilter() {
  std::uint32_t error = 0;
  auto device = platform::DefaultFilterDeviceSystem().OpenFilterDevice(
      platform::kFilterDevicePath, platform::kGenericRead | platform::kGenericWrite, error);
  EXPECT_TRUE(device) << "error " << error;
  return device;
}

TEST_F(KernelSuite, EveryFilterHandleClosedAndOpenedAgainKeepsTheGrabAndAQueuedRelease) {
  device::HidDevice hid(platform::DefaultHidSystem());  // the key filter follows the opened keyboard
  ASSERT_TRUE(hid.OpenBySelector(Selector(), nullptr, kOpenMode));
  const auto keyboardNodes = platform::linux_backend::FindKeyboardEventNodes(kKeyboardVendor, kKeyboardProduct);
  ASSERT_FALSE(keyboardNodes.empty());
  const auto system = ReadersOf(keyboardNodes);

  auto first = OpenFilter();
  ASSERT_TRUE(first);
  ASSERT_TRUE(SendCaptureTable(*first, true));
  ASSERT_TRUE(WaitUntilGrabbed(true));
  const auto passNode = WaitForEventNodeNamed(kPassThroughName, 5000);
  ASSERT_TRUE(passNode);
  EventNodeReader passed(*passNode);

  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageA}));
  EXPECT_EQ(ReadKeyEvent(*first, 5000), kADown);  // the program presses A's replacement now
  // A is released while nobody reads; D, passed on after it, shows the filter has taken the release.
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageD}));
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  ASSERT_TRUE(passed.WaitForKey(KEY_D, 1, 5000));
  ASSERT_TRUE(passed.WaitForKey(KEY_D, 0, 5000));

  first.reset();  // every handle closed, as a re-open on keyboard arrival does
  EXPECT_FALSE(platform::linux_backend::DefaultKeyFilter().GrabbedNodes().empty()) << "the grab ended with the handles";
  auto second = OpenFilter();
  ASSERT_TRUE(second);
  EXPECT_EQ(ReadKeyEvent(*second, 5000), kAUp) << "the queued release was thrown away: A's replacement stays down";

  // The grab goes on capturing through the new handle, and the system never saw A.
  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageA}));
  EXPECT_EQ(ReadKeyEvent(*second, 5000), kADown);
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  EXPECT_EQ(ReadKeyEvent(*second, 5000), kAUp);
  for (const auto& reader : system) EXPECT_FALSE(reader->NextKey(100)) << "a key reached the system past the grab";

  // Nothing captured and no handle open: the grab ends and the keyboard is the system's again.
  ASSERT_TRUE(SendCaptureTable(*second, false));
  second.reset();
  EXPECT_TRUE(platform::linux_backend::DefaultKeyFilter().GrabbedNodes().empty());
  for (const auto& reader : system) {
    EXPECT_EQ(::ioctl(reader->Fd(), EVIOCGRAB, 1), 0);
    ::ioctl(reader->Fd(), EVIOCGRAB, 0);
  }
}

TEST_F(KernelSuite, ReopenOnArrivalWhileARemappedKeyIsHeldKeepsItsReplacementDownUntilTheRelease) {
  device::HidDevice hid(platform::DefaultHidSystem());
  ASSERT_TRUE(hid.OpenBySelector(Selector(), nullptr, kOpenMode));
  const auto system = ReadersOf(platform::linux_backend::FindKeyboardEventNodes(kKeyboardVendor, kKeyboardProduct));
  ASSERT_FALSE(system.empty());

  RemapSession session;
  ASSERT_TRUE(session.Start());
  const auto virtualNode = WaitForEventNodeNamed(platform::linux_backend::kVirtualDeviceName, 5000);
  const auto passNode = WaitForEventNodeNamed(kPassThroughName, 5000);
  ASSERT_TRUE(virtualNode && passNode);
  EventNodeReader replaced(*virtualNode);
  EventNodeReader passed(*passNode);

  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageA}));
  ASSERT_TRUE(replaced.WaitForKey(KEY_B, 1, 5000));
  // The keyboard arrives (again) while A is held: the main window re-opens the channel each time.
  for (int arrival = 0; arrival < 5; ++arrival) {
    ASSERT_TRUE(session.channel.Open());
    EXPECT_FALSE(platform::linux_backend::DefaultKeyFilter().GrabbedNodes().empty()) << "arrival " << arrival;
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_FALSE(replaced.WaitForKey(KEY_B, 0, 300)) << "B was released while A was still held";
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  EXPECT_TRUE(replaced.WaitForKey(KEY_B, 0, 5000)) << "B stayed down after A was released";

  // Remapping goes on through the re-opened channel.
  ASSERT_TRUE(Keyboard().SendKeys(0, {kUsageA}));
  EXPECT_TRUE(replaced.WaitForKey(KEY_B, 1, 5000));
  ASSERT_TRUE(Keyboard().SendKeys(0, {}));
  EXPECT_TRUE(replaced.WaitForKey(KEY_B, 0, 5000));
  EXPECT_FALSE(passed.WaitForKey(KEY_A, 1, 200));
  for (const auto& reader : system) EXPECT_FALSE(reader->NextKey(100)) << "a key reached the system past the grab";
}

}  // namespace
}  // namespace kbtest
