#include "support/c_number.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using support::ParseCLong;
using support::ParseCUnsignedLong;

constexpr std::int32_t kLongMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kLongMin = std::numeric_limits<std::int32_t>::min();

// Wide text (the configuration file and device paths).

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
  EXPECT_EQ(ParseCLong(L"7fffffff", 16), kLongMax);
  EXPECT_EQ(ParseCLong(L"80000000", 16), kLongMax);
  EXPECT_EQ(ParseCLong(L"-80000000", 16), kLongMin);
  EXPECT_EQ(ParseCLong(L"-99999999999999999999", 10), kLongMin);
  EXPECT_EQ(ParseCUnsignedLong(L"ffffffff", 16), 0xFFFFFFFFu);
  EXPECT_EQ(ParseCUnsignedLong(L"123456789", 16), 0xFFFFFFFFu);
  EXPECT_EQ(ParseCUnsignedLong(L"c00e9", 16), 0x000C00E9u);
  EXPECT_EQ(ParseCUnsignedLong(L"-1", 16), 0xFFFFFFFFu);
}

// Narrow (UTF-8) text: the macro and record files' attributes.

TEST(CNumber, NarrowSignedDecimalFollowsStrtolOnThirtyTwoBits) {
  EXPECT_EQ(ParseCLong("120", 10), 120);
  EXPECT_EQ(ParseCLong("-5", 10), -5);
  EXPECT_EQ(ParseCLong(" \t+42ms", 10), 42);
  EXPECT_EQ(ParseCLong("", 10), 0);
  EXPECT_EQ(ParseCLong("abc", 10), 0);
  EXPECT_EQ(ParseCLong("0x10", 10), 0);  // decimal only
  EXPECT_EQ(ParseCLong("2147483647", 10), 2147483647);
  EXPECT_EQ(ParseCLong("2147483648", 10), kLongMax);
  EXPECT_EQ(ParseCLong("4294967291", 10), kLongMax);
  EXPECT_EQ(ParseCLong("99999999999999999999999", 10), kLongMax);
  EXPECT_EQ(ParseCLong("-2147483648", 10), kLongMin);
  EXPECT_EQ(ParseCLong("-2147483649", 10), kLongMin);
  EXPECT_EQ(ParseCLong("-99999999999999999999999", 10), kLongMin);
}

TEST(CNumber, NarrowUnsignedDecimalFollowsStrtoulOnThirtyTwoBits) {
  EXPECT_EQ(ParseCUnsignedLong("3", 10), 3u);
  EXPECT_EQ(ParseCUnsignedLong("4294967295", 10), 4294967295u);
  EXPECT_EQ(ParseCUnsignedLong("4294967296", 10), 4294967295u);
  EXPECT_EQ(ParseCUnsignedLong("-1", 10), 4294967295u);
  EXPECT_EQ(ParseCUnsignedLong("x", 10), 0u);
}

TEST(CNumber, NarrowHexadecimalFollowsStrtoulBaseSixteen) {
  EXPECT_EQ(ParseCUnsignedLong("7003a", 16), 0x7003Au);
  EXPECT_EQ(ParseCUnsignedLong("C00CD", 16), 0xC00CDu);
  EXPECT_EQ(ParseCUnsignedLong("0x700e1", 16), 0x700E1u);
  EXPECT_EQ(ParseCUnsignedLong(" 1f ", 16), 0x1Fu);
  EXPECT_EQ(ParseCUnsignedLong("zz", 16), 0u);
  EXPECT_EQ(ParseCUnsignedLong("", 16), 0u);
  EXPECT_EQ(ParseCUnsignedLong("0x", 16), 0u);
  EXPECT_EQ(ParseCUnsignedLong("ffffffff", 16), 0xFFFFFFFFu);
  EXPECT_EQ(ParseCUnsignedLong("1ffffffff", 16), 0xFFFFFFFFu);
  EXPECT_EQ(ParseCUnsignedLong("12g4", 16), 0x12u);
}

TEST(CNumber, BlanksAreTheCLocalesOnes) {
  EXPECT_EQ(ParseCLong("\v\f\r\n 7", 10), 7);
  EXPECT_EQ(ParseCLong(L"\v\f\r\n 7", 10), 7);
  EXPECT_EQ(ParseCLong("\xC2\xA0" "7", 10), 0);  // a UTF-8 no-break space is no blank
}

}  // namespace
