#include "model/macro/number_text.h"

#include <gtest/gtest.h>

namespace {

using model::ParseHex;
using model::ParseSignedDecimal;
using model::ParseUnsignedDecimal;

// The conversion rules themselves are tested with support/c_number.h; these pin which base and
// which signedness each attribute reader uses.
TEST(NumberTextTest, EachReaderUsesItsBaseAndSignedness) {
  EXPECT_EQ(ParseSignedDecimal("-5"), -5);
  EXPECT_EQ(ParseSignedDecimal("0x10"), 0);  // decimal only
  EXPECT_EQ(ParseSignedDecimal("4294967291"), 2147483647);
  EXPECT_EQ(ParseUnsignedDecimal("4294967291"), 4294967291u);
  EXPECT_EQ(ParseUnsignedDecimal("-1"), 4294967295u);
  EXPECT_EQ(ParseUnsignedDecimal("1f"), 1u);
  EXPECT_EQ(ParseHex("1f"), 0x1Fu);
  EXPECT_EQ(ParseHex("0x700e1"), 0x700E1u);
  EXPECT_EQ(ParseHex("-1"), 0xFFFFFFFFu);
}

}  // namespace
