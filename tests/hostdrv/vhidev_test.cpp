#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "hostdrv/vhidev.h"
#include "platform/sim/sim_virtual_hid.h"
#include "support/logger.h"

namespace hostdrv {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 64-byte output report: the given leading bytes, then zeros.
Bytes Report(std::initializer_list<std::uint8_t> head) {
  Bytes bytes(head);
  bytes.resize(64, 0);
  return bytes;
}

class VHidevTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device_.OpenVirtualDevice()); }

  support::ScopedLogCapture log_;
  sim::SimVirtualHid hid_;
  VHidev device_{hid_};
};

TEST_F(VHidevTest, KeyboardKeyGoesOutAsTheBitmapReport) {
  EXPECT_EQ(device_.SetKey(0x07, 0x04, true), 1);
  ASSERT_EQ(hid_.Reports().size(), 1u);
  EXPECT_EQ(hid_.Reports()[0], Report({0x05, 0x01, 0x00, 0x10}));
  EXPECT_EQ(hid_.KeysDown(), (std::vector<std::uint32_t>{0x00070004}));
}

TEST_F(VHidevTest, LeftShiftIsBitOneOfBitmapByte28) {
  device_.SetKey(0x07, 0xE1, true);
  Bytes expected = Report({0x05, 0x01, 0x00});
  expected[3 + 28] = 0x02;
  EXPECT_EQ(hid_.Reports().back(), expected);
}

TEST_F(VHidevTest, KeyboardUsesOnlyTheLowByteOfTheUsage) {
  device_.SetKey(0x07, 0x104, true);
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x01, 0x00, 0x10}));
}

TEST_F(VHidevTest, KeysStayDownUntilReleased) {
  device_.SetKey(0x07, 0x04, true);
  device_.SetKey(0x07, 0xE1, true);
  device_.SetKey(0x07, 0x04, false);
  EXPECT_EQ(hid_.KeysDown(), (std::vector<std::uint32_t>{0x000700E1}));
  EXPECT_EQ(hid_.Reports().size(), 3u);
}

TEST_F(VHidevTest, ConsumerUsageGoesDownThenUpWithReportIdThree) {
  EXPECT_EQ(device_.SetKey(0x0C, 0xCD, true), 1);
  EXPECT_EQ(hid_.KeysDown(), (std::vector<std::uint32_t>{0x000C00CD}));
  EXPECT_EQ(device_.SetKey(0x0C, 0xCD, false), 1);
  const auto reports = hid_.Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], Report({0x05, 0x03, 0xCD, 0x00}));
  EXPECT_EQ(reports[1], Report({0x05, 0x03, 0x00, 0x00}));
  device_.SetKey(0x0C, 0x0223, true);
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x03, 0x23, 0x02}));
}

TEST_F(VHidevTest, SystemUsageGoesOutWithReportIdFour) {
  EXPECT_EQ(device_.SetKey(0x01, 0x82, true), 1);
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x04, 0x82, 0x00}));
  device_.SetKey(0x01, 0x82, false);
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x04, 0x00, 0x00}));
}

TEST_F(VHidevTest, UnhandledCodesSendNothing) {
  EXPECT_EQ(device_.SetKey(0x01, 0x01, true), 0);
  EXPECT_EQ(device_.SetKey(0x09, 0x01, true), 0);
  EXPECT_TRUE(hid_.Reports().empty());
}

TEST_F(VHidevTest, MouseButtonsAndMovementBytes) {
  device_.SetKey(0x05, 0x02, true);
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x02, 0x04, 0x00, 0x00, 0x00}));
  device_.SetKey(0x05, 0x08, true);  // no such button: the unchanged report still goes out
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x02, 0x04, 0x00, 0x00, 0x00}));
  device_.SetKey(0x01, 0x30, false);  // X takes the usage's low byte, pressed or released
  device_.SetKey(0x01, 0x38, true);
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x02, 0x04, 0x30, 0x00, 0x38}));
  device_.SetKey(0x05, 0x02, false);
  EXPECT_EQ(hid_.Reports().back(), Report({0x05, 0x02, 0x00, 0x30, 0x00, 0x38}));
}

TEST_F(VHidevTest, ReleaseAllSendsAllFourReportsZeroedInOrder) {
  device_.SetKey(0x07, 0x04, true);
  device_.SetKey(0x05, 0x01, true);
  device_.SetKey(0x01, 0x31, true);
  device_.SetKey(0x0C, 0xE9, true);
  device_.SetKey(0x01, 0x81, true);
  hid_.ClearReports();

  device_.ReleaseAll();
  const auto reports = hid_.Reports();
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(reports[0], Report({0x05, 0x01}));
  EXPECT_EQ(reports[1], Report({0x05, 0x02}));
  EXPECT_EQ(reports[2], Report({0x05, 0x03}));
  EXPECT_EQ(reports[3], Report({0x05, 0x04}));
  EXPECT_TRUE(hid_.KeysDown().empty());
}

TEST_F(VHidevTest, KeyboardUsageOfMacroPlaybackSharesTheBitmap) {
  device_.SetKey(0x07, 0x04, true);
  EXPECT_EQ(device_.SetKeyboardUsage(0x05, true), 1);
  EXPECT_EQ(hid_.KeysDown(), (std::vector<std::uint32_t>{0x00070004, 0x00070005}));
}

TEST_F(VHidevTest, SendReportCutsTheDataToFitSixtyFourBytes) {
  std::vector<std::uint8_t> data(70);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  device_.SendReport(data.data(), data.size(), 7);
  device_.SendReport(data.data(), data.size(), 0);
  const auto reports = hid_.Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0][1], 7);
  EXPECT_EQ(reports[0][2], 1);
  EXPECT_EQ(reports[0][63], 62);
  EXPECT_EQ(reports[1][1], 1);
  EXPECT_EQ(reports[1][63], 63);
}

TEST_F(VHidevTest, ChangesFromTwoThreadsAreNeverLost) {
  // Each thread toggles its own key and ends with it down; a lost update would leave one up,
  // and a send racing a change would leave the last report behind the state.
  auto toggle = [this](std::uint16_t usage) {
    for (int i = 0; i < 500; ++i) {
      device_.SetKey(0x07, usage, false);
      device_.SetKey(0x07, usage, true);
    }
  };
  std::thread first(toggle, 0x04);
  std::thread second(toggle, 0x05);
  first.join();
  second.join();
  EXPECT_EQ(hid_.KeysDown(), (std::vector<std::uint32_t>{0x00070004, 0x00070005}));
}

TEST(VHidevWithoutDevice, SendsFailQuietlyAndReleaseAllReturns) {
  sim::SimVirtualHid hid(false);
  VHidev device(hid);
  support::ScopedLogCapture log;
  EXPECT_FALSE(device.OpenVirtualDevice());
  EXPECT_EQ(log.Text(), "Error: No active device interfaces found.\n Is the sample driver loaded?");
  EXPECT_EQ(device.SetKey(0x07, 0x04, true), 0);
  device.ReleaseAll();
  EXPECT_TRUE(hid.Reports().empty());
}

TEST(VHidevSearch, PrintsEachCandidateAndKeepsTheLastMatch) {
  sim::SimVirtualHid hid;
  sim::OtherInterface keyboard;
  keyboard.path = L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_00#1";
  keyboard.attributes = {0x1A2B, 0x0C3D, 0x105};
  hid.AddOtherInterface(keyboard);
  sim::OtherInterface locked;
  locked.path = L"\\\\?\\hid#locked";
  locked.opens = false;
  hid.AddOtherInterface(locked);
  sim::OtherInterface lookalike;  // matches too, but the virtual device is listed after it
  lookalike.path = L"\\\\?\\hid#lookalike";
  lookalike.attributes = {0xDEED, 0xFEED, 1};
  lookalike.caps.usagePage = 0xFF00;
  lookalike.caps.usage = 0x01;
  hid.AddOtherInterface(lookalike);
  sim::OtherInterface noCaps;
  noCaps.path = L"\\\\?\\hid#nocaps";
  noCaps.attributes = {0xDEED, 0xFEED, 1};
  noCaps.capsOutcome = platform::CapsOutcome::kCapsFailed;
  hid.AddOtherInterface(noCaps);

  VHidev device(hid);
  support::ScopedLogCapture log;
  ASSERT_TRUE(device.OpenVirtualDevice());
  EXPECT_EQ(log.Text(),
            "\n....looking for our HID device (with UP=0xFF00 and Usage=0x01)\n"
            "Device Attributes - PID: 0xc3d, VID: 0x1a2b \n"
            "Device attributes doesn't match the sample \n"
            "Warning: CreateFile failed: 2\n"
            "Device Attributes - PID: 0xfeed, VID: 0xdeed \n"
            "Success: Found my device.. \n"
            "Device Attributes - PID: 0xfeed, VID: 0xdeed \n"
            "Error: HidP_GetCaps failed \n"
            "Device Attributes - PID: 0xfeed, VID: 0xdeed \n"
            "Success: Found my device.. \n");
  EXPECT_EQ(hid.OpenHandles(), 1);  // the earlier match was closed, not leaked
  EXPECT_EQ(device.SetKey(0x07, 0x04, true), 1);
}

TEST(VHidevSearch, ListFailuresPrintTheirCodes) {
  sim::SimVirtualHid hid;
  VHidev device(hid);
  support::ScopedLogCapture log;
  hid.SetListOutcome({platform::InterfaceListOutcome::Kind::kSizeFailed, 0x1A});
  EXPECT_FALSE(device.OpenVirtualDevice());
  hid.SetListOutcome({platform::InterfaceListOutcome::Kind::kListFailed, 0x3B});
  EXPECT_FALSE(device.OpenVirtualDevice());
  hid.SetListOutcome({platform::InterfaceListOutcome::Kind::kNoMemory, 0});
  EXPECT_FALSE(device.OpenVirtualDevice());
  EXPECT_EQ(log.Text(),
            "Error 0x1a retrieving device interface list size.\n"
            "Error 0x3b retrieving device interface list.\n"
            "Error allocating memory for device interface list.\n");
}

TEST(VHidevSearch, ReopeningClosesTheOldHandleAndAFailedWriteIsLogged) {
  sim::SimVirtualHid hid;
  VHidev device(hid);
  support::ScopedLogCapture log;
  ASSERT_TRUE(device.OpenVirtualDevice());
  ASSERT_TRUE(device.OpenVirtualDevice());
  EXPECT_EQ(hid.OpenHandles(), 1);
  hid.FailWrites(31);
  EXPECT_EQ(device.SetKey(0x07, 0x04, true), 0);
  EXPECT_NE(log.Text().find("VHidev::SendReport failed"), std::string::npos);
}

}  // namespace
}  // namespace hostdrv
