#include "device/io/hid_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/named_mutex.h"
#include "platform/sim/sim_keyboard.h"
#include "support/logger.h"

namespace {

using device::HidDevice;
using device::Report;
using sim::ReceivedReport;
using State = HidDevice::HandleState;

const wchar_t* const kBootPath = L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const Report kSample{0x07, 0xF0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint8_t> bytes) { return bytes; }

// Devices live on the heap: ThreadSanitizer cannot see a stack mutex end, and would tie mutexes of
// two tests that land on one reused stack address into a false lock-order cycle.
std::unique_ptr<HidDevice> MakeDevice(platform::HidSystem& system) { return std::make_unique<HidDevice>(system); }

class HidDeviceTest : public ::testing::Test {
 protected:
  explicit HidDeviceTest(sim::KeyboardSpec spec = sim::StandardKeyboard())
      : keyboard_(std::move(spec), clock_), device_(keyboard_) {}

  bool OpenLighting() { return device_.Open(sim::kStandardLightingPath, device::kReadWriteShared); }

  support::ScopedLogCapture log_;
  support::ManualClock clock_;
  sim::SimHidSystem keyboard_;
  HidDevice device_;
};

TEST_F(HidDeviceTest, FeatureCallsBeforeOpenFailWithoutTouchingTheDevice) {
  Report report{0x07};
  EXPECT_FALSE(device_.GetFeature(report));
  EXPECT_FALSE(device_.SetFeature(kSample));
  EXPECT_EQ(device_.Write(kSample), 0);
  EXPECT_EQ(device_.State(), State::kNotOpen);
  EXPECT_FALSE(device_.IsPresent());
  EXPECT_EQ(keyboard_.OpenCalls(), 0);
  EXPECT_TRUE(keyboard_.Reports().empty());
  EXPECT_EQ(log_.Text(), "已写长度为 0\n");
}

TEST_F(HidDeviceTest, OpenReadsTheCapabilitiesAndKeepsOneHandle) {
  ASSERT_TRUE(OpenLighting());
  EXPECT_EQ(device_.State(), State::kOpen);
  EXPECT_TRUE(device_.IsPresent());
  EXPECT_EQ(device_.Caps().outputReportByteLength, 8);
  EXPECT_EQ(device_.Caps().usagePage, 0xFF00);
  EXPECT_EQ(keyboard_.OpenHandles(), 1);  // the query handle for the capabilities is closed again
  EXPECT_TRUE(std::regex_match(log_.Text(), std::regex("open dev: [0-9a-f]{8}\n"))) << log_.Text();
}

TEST_F(HidDeviceTest, OpeningAgainClosesTheFirstHandle) {
  ASSERT_TRUE(OpenLighting());
  ASSERT_TRUE(OpenLighting());
  EXPECT_EQ(keyboard_.OpenHandles(), 1);
  ASSERT_TRUE(device_.Open(kBootPath, device::kReadWriteShared));
  EXPECT_EQ(keyboard_.OpenHandles(), 1);
  ASSERT_TRUE(device_.SetFeature(kSample));
  EXPECT_EQ(keyboard_.Reports().back().path, kBootPath);
}

TEST_F(HidDeviceTest, EmptyPathChangesNothing) {
  ASSERT_TRUE(OpenLighting());
  EXPECT_FALSE(device_.Open(L"", device::kReadWriteShared));
  EXPECT_EQ(device_.State(), State::kOpen);
  EXPECT_EQ(keyboard_.OpenHandles(), 1);
}

TEST_F(HidDeviceTest, FailedOpenLeavesTheInvalidStateUntilClosed) {
  ASSERT_TRUE(OpenLighting());
  log_.Clear();
  EXPECT_FALSE(device_.Open(L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_05#gone", device::kReadWriteShared));
  EXPECT_EQ(device_.State(), State::kFailedOpen);
  EXPECT_FALSE(device_.IsPresent());
  EXPECT_EQ(keyboard_.OpenHandles(), 0);  // the earlier handle was dropped first
  EXPECT_EQ(log_.Text(), "open dev: ffffffff\nopen HID device failed: error 2\n");

  Report report{0x07};
  EXPECT_FALSE(device_.GetFeature(report));
  EXPECT_FALSE(device_.SetFeature(kSample));
  log_.Clear();
  EXPECT_EQ(device_.Write(kSample), 0);
  EXPECT_TRUE(std::regex_match(log_.Text(), std::regex("写\\(异步\\)USB设备 handle=ffffffff, data=[0-9a-f]{8}, len=8, timeout=3000\n"
                                                       "正在写入... 8\n"
                                                       "写文件错误\\(ffffffff,6\\)\n"
                                                       "写文件错误\\(ffffffff,6\\)\n"
                                                       "已写长度为 0\n")))
      << log_.Text();
  EXPECT_TRUE(keyboard_.Reports().empty());

  device_.Close();
  EXPECT_EQ(device_.State(), State::kNotOpen);
}

TEST_F(HidDeviceTest, RefusedOpenIsAFailedOpen) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].opens = false;
  sim::SimHidSystem refusing(spec, clock_);
  auto owned = MakeDevice(refusing);
  HidDevice& device = *owned;
  EXPECT_FALSE(device.Open(sim::kStandardLightingPath, device::kReadWriteShared));
  EXPECT_EQ(device.State(), State::kFailedOpen);
}

TEST_F(HidDeviceTest, CapsThatCannotBeReadKeepTheOldOnesAndTheOpenStillCounts) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[0].capsReadable = false;
  sim::SimHidSystem keyboard(spec, clock_);
  auto owned = MakeDevice(keyboard);
  HidDevice& device = *owned;
  ASSERT_TRUE(device.Open(sim::kStandardLightingPath, device::kReadWriteShared));
  ASSERT_TRUE(device.Open(kBootPath, device::kReadWriteShared));
  EXPECT_EQ(device.State(), State::kOpen);
  EXPECT_EQ(device.Caps().usagePage, 0xFF00);
}

TEST_F(HidDeviceTest, ModeWordSelectsTheAccess) {
  ASSERT_TRUE(device_.Open(sim::kStandardLightingPath, 0x80000003));  // read only
  EXPECT_FALSE(device_.SetFeature(kSample));
  Report report{0x07};
  EXPECT_TRUE(device_.GetFeature(report));
}

TEST_F(HidDeviceTest, VersionQueryMovesExactBytes) {
  keyboard_.SetFirmwareVersion(0x0207);
  ASSERT_TRUE(OpenLighting());
  const Report query{0x07, 0xF1, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(device_.SetFeature(query));
  Report answer{0x07, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  ASSERT_TRUE(device_.GetFeature(answer));
  EXPECT_EQ(answer, (Report{0x07, 0x02, 0x07, 0, 0, 0, 0, 0}));
  const auto reports = keyboard_.Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].kind, ReceivedReport::Kind::kSetFeature);
  EXPECT_EQ(reports[0].bytes, Bytes({0x07, 0xF1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(reports[1].kind, ReceivedReport::Kind::kGetFeature);
}

TEST_F(HidDeviceTest, CloseDropsTheHandleAndAllowsAnotherOpen) {
  ASSERT_TRUE(OpenLighting());
  device_.Close();
  EXPECT_EQ(device_.State(), State::kNotOpen);
  EXPECT_EQ(keyboard_.OpenHandles(), 0);
  Report report{0x07};
  EXPECT_FALSE(device_.GetFeature(report));
  device_.Close();  // closing twice is harmless
  ASSERT_TRUE(OpenLighting());
  EXPECT_TRUE(device_.IsPresent());
}

TEST_F(HidDeviceTest, UnpluggedKeyboardFailsFeatureCalls) {
  ASSERT_TRUE(OpenLighting());
  keyboard_.Unplug();
  Report report{0x07};
  EXPECT_FALSE(device_.GetFeature(report));
  EXPECT_FALSE(device_.SetFeature(kSample));
  EXPECT_TRUE(device_.IsPresent());  // presence is the handle, until the owner closes it
}

// Output report length comes from the interface's capabilities.
struct WriteLengthCase {
  std::uint16_t outputReportByteLength;
  std::size_t written;
};

class WriteLengthTest : public ::testing::TestWithParam<WriteLengthCase> {};

TEST_P(WriteLengthTest, WritesTheReportPrefixTheInterfaceTakes) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].caps.outputReportByteLength = GetParam().outputReportByteLength;
  support::ManualClock clock;
  sim::SimHidSystem keyboard(spec, clock);
  auto owned = MakeDevice(keyboard);
  HidDevice& device = *owned;
  support::ScopedLogCapture log;
  ASSERT_TRUE(device.Open(sim::kStandardLightingPath, device::kReadWriteShared));
  log.Clear();
  EXPECT_EQ(device.Write(kSample), static_cast<int>(GetParam().written));
  const auto reports = keyboard.Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].kind, ReceivedReport::Kind::kOutput);
  EXPECT_EQ(reports[0].bytes, std::vector<std::uint8_t>(kSample.begin(), kSample.begin() + GetParam().written));
  const std::string length = std::to_string(GetParam().written);
  EXPECT_TRUE(std::regex_match(log.Text(), std::regex("写\\(异步\\)USB设备 handle=[0-9a-f]{8}, data=[0-9a-f]{8}, len=8, "
                                                      "timeout=3000\n正在写入... " + length + "\n已写长度为 " + length + "\n")))
      << log.Text();
}

INSTANTIATE_TEST_SUITE_P(Caps, WriteLengthTest,
                         ::testing::Values(WriteLengthCase{5, 5}, WriteLengthCase{0, 8}, WriteLengthCase{1, 1},
                                           WriteLengthCase{7, 7}, WriteLengthCase{8, 8}, WriteLengthCase{64, 8}));

TEST_F(HidDeviceTest, KnownFiveByteInterfaceGetsFiveBytes) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].caps.outputReportByteLength = 5;
  sim::SimHidSystem keyboard(spec, clock_);
  auto owned = MakeDevice(keyboard);
  HidDevice& device = *owned;
  ASSERT_TRUE(device.Open(sim::kStandardLightingPath, device::kReadWriteShared));
  EXPECT_EQ(device.Write(Report{0x07, 1, 2, 3, 4, 5, 6, 7}), 5);
  EXPECT_EQ(keyboard.Reports().at(0).bytes, Bytes({0x07, 1, 2, 3, 4}));
}

TEST_F(HidDeviceTest, WriteThatWaitsLogsTheAsynchronousCompletion) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].writeGoesPending = true;
  sim::SimHidSystem keyboard(spec, clock_);
  auto owned = MakeDevice(keyboard);
  HidDevice& device = *owned;
  ASSERT_TRUE(device.Open(sim::kStandardLightingPath, device::kReadWriteShared));
  log_.Clear();
  EXPECT_EQ(device.Write(kSample), 8);
  EXPECT_TRUE(std::regex_match(log_.Text(), std::regex("写\\(异步\\)USB设备 handle=[0-9a-f]{8}, data=[0-9a-f]{8}, len=8, timeout=3000\n"
                                                       "正在写入... 8\n"
                                                       "写文件错误\\(([0-9a-f]{4,8}),997\\)\n"
                                                       "asynchronous write succeed : [0-9]+\n"
                                                       "已写长度为 8\n")))
      << log_.Text();
}

TEST_F(HidDeviceTest, WriteThatTimesOutReturnsZeroAndLeavesNothingPending) {
  ASSERT_TRUE(OpenLighting());
  keyboard_.HoldOutputWrites(true);
  log_.Clear();
  EXPECT_EQ(device_.Write(kSample), 0);
  EXPECT_EQ(clock_.TotalSlept(), std::chrono::milliseconds(3000));  // waited out the 3000 ms limit
  EXPECT_TRUE(keyboard_.Reports().empty());
  EXPECT_TRUE(std::regex_match(log_.Text(), std::regex("写\\(异步\\)USB设备 handle=[0-9a-f]{8}, data=[0-9a-f]{8}, len=8, timeout=3000\n"
                                                       "正在写入... 8\n写文件错误\\([0-9a-f]{4,8},997\\)\n超时索引错误\n已写长度为 0\n")))
      << log_.Text();

  // The next write starts afresh and goes through whole.
  keyboard_.HoldOutputWrites(false);
  EXPECT_EQ(device_.Write(kSample), 8);
  const auto reports = keyboard_.Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].bytes, std::vector<std::uint8_t>(kSample.begin(), kSample.end()));
}

TEST_F(HidDeviceTest, WriteRefusedByTheDeviceLogsTheErrorTwice) {
  ASSERT_TRUE(OpenLighting());
  keyboard_.Unplug();
  log_.Clear();
  EXPECT_EQ(device_.Write(kSample), 0);
  EXPECT_TRUE(std::regex_match(log_.Text(), std::regex("写\\(异步\\)USB设备 handle=[0-9a-f]{8}, data=[0-9a-f]{8}, len=8, timeout=3000\n"
                                                       "正在写入... 8\n"
                                                       "写文件错误\\(([0-9a-f]{4,8}),1167\\)\n"
                                                       "写文件错误\\(\\1,1167\\)\n"
                                                       "已写长度为 0\n")))
      << log_.Text();
}

// OpenBySelector

TEST_F(HidDeviceTest, OpenBySelectorOpensTheFirstMatch) {
  std::uint16_t release = 0;
  const std::vector<std::int32_t> product{0x0C3D};
  ASSERT_TRUE(device_.OpenBySelector(0x1A2B, product, -1, -1, &release, device::kReadWriteShared));
  EXPECT_EQ(release, 0x0105);
  ASSERT_TRUE(device_.SetFeature(kSample));
  EXPECT_EQ(keyboard_.Reports().back().path, kBootPath);
  EXPECT_EQ(keyboard_.OpenHandles(), 1);
}

TEST_F(HidDeviceTest, OpenBySelectorTakesTheConfiguredInterface) {
  ASSERT_TRUE(device_.OpenBySelector(model::DeviceSelector{0x1A2B, 0x0C3D, 1, 2}, nullptr, device::kReadWriteShared));
  ASSERT_TRUE(device_.SetFeature(kSample));
  EXPECT_EQ(keyboard_.Reports().back().path, sim::kStandardLightingPath);
}

TEST_F(HidDeviceTest, OpenBySelectorWithoutAMatchLeavesTheHandleAlone) {
  ASSERT_TRUE(OpenLighting());
  std::uint16_t release = 0xBEEF;
  EXPECT_FALSE(device_.OpenBySelector(model::DeviceSelector{0x1A2B, 0x0C3D, 3, 2}, &release, device::kReadWriteShared));
  EXPECT_EQ(release, 0xBEEF);
  EXPECT_EQ(device_.State(), State::kOpen);
  EXPECT_TRUE(device_.SetFeature(kSample));

  EXPECT_FALSE(device_.OpenBySelector(model::DeviceSelector{}, &release, device::kReadWriteShared));
  EXPECT_EQ(keyboard_.ListCalls(), 1);  // the all-zero selector does not even enumerate
  EXPECT_EQ(device_.State(), State::kOpen);
}

TEST_F(HidDeviceTest, OpenBySelectorReportsTheReleaseOfAMatchThatDoesNotOpen) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].opens = false;
  sim::SimHidSystem keyboard(spec, clock_);
  auto owned = MakeDevice(keyboard);
  HidDevice& device = *owned;
  std::uint16_t release = 0xBEEF;
  EXPECT_FALSE(device.OpenBySelector(model::DeviceSelector{0x1A2B, 0x0C3D, 1, 2}, &release, device::kReadWriteShared));
  EXPECT_EQ(release, 0);
  EXPECT_EQ(device.State(), State::kFailedOpen);
}

TEST_F(HidDeviceTest, OpenBySelectorReentersTheOpenMutexOnItsOwnThread) {
  auto openMutex = platform::OpenNamedMutex(L"HidDevice::Open");
  std::scoped_lock held(*openMutex);  // as the main window holds it around its own discovery
  EXPECT_TRUE(device_.OpenBySelector(model::DeviceSelector{0x1A2B, 0x0C3D, 1, 2}, nullptr, device::kReadWriteShared));
  EXPECT_TRUE(OpenLighting());
}

TEST_F(HidDeviceTest, OpenBySelectorWaitsWhileAnotherThreadHoldsTheOpenMutex) {
  auto openMutex = platform::OpenNamedMutex(L"HidDevice::Open");
  std::unique_lock held(*openMutex);
  std::atomic<bool> finished{false};
  bool opened = false;
  std::thread opener([&] {
    opened = device_.OpenBySelector(model::DeviceSelector{0x1A2B, 0x0C3D, 1, 2}, nullptr, device::kReadWriteShared);
    finished = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(finished);
  EXPECT_EQ(keyboard_.ListCalls(), 0);  // not even enumerating yet
  held.unlock();
  opener.join();
  EXPECT_TRUE(opened);
  EXPECT_EQ(keyboard_.ListCalls(), 1);
  EXPECT_EQ(device_.State(), State::kOpen);
}

TEST_F(HidDeviceTest, ConcurrentWritesAndReopensDoNotTearTheHandle) {
  ASSERT_TRUE(OpenLighting());
  std::atomic<int> total{0};
  std::thread writer([&] {
    for (int i = 0; i < 200; ++i) total += device_.Write(kSample);
  });
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(OpenLighting());
  writer.join();
  EXPECT_EQ(total, 200 * 8);
  EXPECT_EQ(keyboard_.OpenHandles(), 1);
}

}  // namespace
