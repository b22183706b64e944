#include "device/discovery/guid_format.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatGuidForLog, JoinsDataFourWithoutSeparators) {
  EXPECT_EQ(device::FormatGuidForLog(platform::kHidInterfaceClass), "4d1e55b2-f16f-11cf-88cb001111000030");
}

TEST(FormatGuidForLog, PadsToTheMinimumWidthsOnly) {
  const platform::Guid guid{0x12, 0x3, 0xA, {0xFF, 0, 1, 0x10, 0xAB, 0xCD, 0xEF, 0x09}};
  EXPECT_EQ(device::FormatGuidForLog(guid), "0012-03-0a-ff000110abcdef09");
  const platform::Guid zero{};
  EXPECT_EQ(device::FormatGuidForLog(zero), "0000-00-00-0000000000000000");
  const platform::Guid wide{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  EXPECT_EQ(device::FormatGuidForLog(wide), "ffffffff-ffff-ffff-ffffffffffffffff");
}

}  // namespace
