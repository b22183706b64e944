// A report whose write failed is sent again, so a release that could not be written does not leave
// its key down on the device for good.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "hostdrv/vhidev.h"
#include "platform/sim/sim_virtual_hid.h"
#include "support/logger.h"

namespace hostdrv {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Keys = std::vector<std::uint32_t>;

constexpr std::uint32_t kGenFailure = 31;

Bytes Report(std::initializer_list<std::uint8_t> head) {
  Bytes bytes(head);
  bytes.resize(64, 0);
  return bytes;
}

class VHidevResendTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device_.OpenVirtualDevice()); }

  support::ScopedLogCapture log_;
  sim::SimVirtualHid hid_;
  VHidev device_{hid_};
};

TEST_F(VHidevResendTest, AFailedReleaseIsSentAgainByResendUnsentOnce) {
  ASSERT_EQ(device_.SetKey(0x07, 0x04, true), 1);
  hid_.FailWrites(kGenFailure);
  EXPECT_EQ(device_.SetKey(0x07, 0x04, false), 0);
  EXPECT_EQ(hid_.KeysDown(), (Keys{0x00070004}));  // the device never heard the release
  hid_.FailWrites(0);
  hid_.ClearReports();

  device_.ResendUnsent();
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{Report({0x05, 0x01})}));
  EXPECT_TRUE(hid_.KeysDown().empty());

  device_.ResendUnsent();  // nothing is unsent any more
  EXPECT_EQ(hid_.Reports().size(), 1u);
}

TEST_F(VHidevResendTest, TheNextSuccessfulSendCarriesTheUnsentReportsAlong) {
  ASSERT_EQ(device_.SetKey(0x0C, 0xE9, true), 1);
  hid_.FailWrites(kGenFailure);
  EXPECT_EQ(device_.SetKey(0x07, 0x04, true), 0);
  EXPECT_EQ(device_.SetKey(0x0C, 0xE9, false), 0);
  hid_.FailWrites(0);
  hid_.ClearReports();

  ASSERT_EQ(device_.SetKey(0x05, 0x01, true), 1);  // mouse button 1
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{Report({0x05, 0x02, 0x02}),         // the mouse report itself
                                                Report({0x05, 0x01, 0x00, 0x10}),  // keyboard: A down
                                                Report({0x05, 0x03, 0x00, 0x00})}));  // consumer: none
  EXPECT_EQ(hid_.KeysDown(), (Keys{0x00070004, 0x00050001}));
}

TEST_F(VHidevResendTest, WhileWritesStillFailNothingIsLostAndLaterResendsCatchUp) {
  ASSERT_EQ(device_.SetKey(0x07, 0xE1, true), 1);
  hid_.FailWrites(kGenFailure);
  device_.SetKey(0x07, 0xE1, false);
  device_.ResendUnsent();  // fails again
  hid_.FailWrites(0);
  hid_.ClearReports();
  device_.ResendUnsent();
  EXPECT_EQ(hid_.Reports(), (std::vector<Bytes>{Report({0x05, 0x01})}));
  EXPECT_TRUE(hid_.KeysDown().empty());
}

}  // namespace
}  // namespace hostdrv
