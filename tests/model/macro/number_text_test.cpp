#include "model/macro/number_text.h"

#include <gtest/gtest.h>

namespace {

using model::ParseHex;
using model::ParseSignedDecimal;
using model::ParseUnsignedDecimal;

TEST(NumberTextTest, SignedDecimalFollowsStrtolOnThirtyTwoBits) {
  EXPECT_EQ(ParseSignedDecimal("120"), 120);
  EXPECT_EQ(ParseSignedDecimal("-5"), -5);
  EXPECT_EQ(ParseSignedDecimal(" \t+42ms"), 42);
  EXPECT_EQ(ParseSignedDecimal(""), 0);
  EXPECT_EQ(ParseSignedDecimal("abc"), 0);
  EXPECT_EQ(ParseSignedDecimal("0x10"), 0);  // decimal only
  EXPECT_EQ(ParseSignedDecimal("2147483647"), 2147483647);
  EXPECT_EQ(ParseSignedDecimal("2147483648"), 2147483647);
  EXPECT_EQ(ParseSignedDecimal("4294967291"), 2147483647);
  EXPECT_EQ(ParseSignedDecimal("99999999999999999999999"), 2147483647);
  EXPECT_EQ(ParseSignedDecimal("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseSignedDecimal("-2147483649"), -2147483647 - 1);
  EXPECT_EQ(ParseSignedDecimal("-99999999999999999999999"), -2147483647 - 1);
}

TEST(NumberTextTest, UnsignedDecimalFollowsStrtoulOnThirtyTwoBits) {
  EXPECT_EQ(ParseUnsignedDecimal("3"), 3u);
  EXPECT_EQ(ParseUnsignedDecimal("4294967295"), 4294967295u);
  EXPECT_EQ(ParseUnsignedDecimal("4294967296"), 4294967295u);
  EXPECT_EQ(ParseUnsignedDecimal("-1"), 4294967295u);
  EXPECT_EQ(ParseUnsignedDecimal("x"), 0u);
}

TEST(NumberTextTest, HexadecimalFollowsStrtoulBaseSixteen) {
  EXPECT_EQ(ParseHex("7003a"), 0x7003Au);
  EXPECT_EQ(ParseHex("C00CD"), 0xC00CDu);
  EXPECT_EQ(ParseHex("0x700e1"), 0x700E1u);
  EXPECT_EQ(ParseHex(" 1f "), 0x1Fu);
  EXPECT_EQ(ParseHex("zz"), 0u);
  EXPECT_EQ(ParseHex(""), 0u);
  EXPECT_EQ(ParseHex("0x"), 0u);
  EXPECT_EQ(ParseHex("ffffffff"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseHex("1ffffffff"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseHex("12g4"), 0x12u);
}

}  // namespace
