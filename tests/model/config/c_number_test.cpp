#include "model/config/c_number.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using model::ParseCLong;
using model::ParseCUnsignedLong;

TEST(CNumber, HexAcceptsAnOptionalPrefixInEitherCase) {
  EXPECT_EQ(ParseCLong(L"1a2b", 16), 0x1A2B);
  EXPECT_EQ(ParseCLong(L"0x1a2b", 16), 0x1A2B);
  EXPECT_EQ(ParseCLong(L"0X1A2B", 16), 0x1A2B);
  EXPECT_EQ(ParseCLong(L"  \t0c3d", 16), 0x0C3D);
  EXPECT_EQ(ParseCLong(L"-1", 16), -1);
  EXPECT_EQ(ParseCLong(L"+ff", 16), 0xFF);
}

TEST(CNumber, TextThatIsNotANumberReadsAsZeroAndTrailingTextIsIgnored) {
  EXPECT_EQ(ParseCLong(L"", 16), 0);
  EXPECT_EQ(ParseCLong(L"zz", 16), 0);
  EXPECT_EQ(ParseCLong(L"0x", 16), 0);
  EXPECT_EQ(ParseCLong(L"0xg1", 16), 0);  // "0" is the number, "xg1" trails
  EXPECT_EQ(ParseCLong(L"12junk", 10), 12);
  EXPECT_EQ(ParseCLong(L"1g2b", 16), 1);
  EXPECT_EQ(ParseCLong(L"- 5", 10), 0);
  EXPECT_EQ(ParseCLong(L"0x10", 10), 0);  // the prefix only belongs to base 16
}

TEST(CNumber, OutOfRangeSaturatesLikeA32BitLong) {
  EXPECT_EQ(ParseCLong(L"7fffffff", 16), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(ParseCLong(L"80000000", 16), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(ParseCLong(L"-80000000", 16), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ParseCLong(L"-99999999999999999999", 10), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ParseCUnsignedLong(L"ffffffff", 16), 0xFFFFFFFFu);
  EXPECT_EQ(ParseCUnsignedLong(L"123456789", 16), 0xFFFFFFFFu);
  EXPECT_EQ(ParseCUnsignedLong(L"c00e9", 16), 0x000C00E9u);
  EXPECT_EQ(ParseCUnsignedLong(L"-1", 16), 0xFFFFFFFFu);
}

}  // namespace
