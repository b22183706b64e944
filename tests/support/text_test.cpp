#include "support/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, Utf8RoundTripKeepsChineseAndAstralCharacters) {
  const std::string utf8 = "\xe8\x8e\xb7\xe5\x8f\x96 key \xf0\x9f\x8e\xb9";  // "获取 key 🎹"
  const std::wstring wide = support::Utf8ToWide(utf8);
  EXPECT_EQ(support::WideToUtf8(wide), utf8);
  EXPECT_EQ(wide.substr(0, 2), std::wstring(L"\u83b7\u53d6"));
}

TEST(Text, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(support::Utf8ToWide("a\xff" "b"), std::wstring(L"a\uFFFDb"));
  EXPECT_EQ(support::Utf8ToWide("\xe8\x8e"), std::wstring(L"\uFFFD\uFFFD"));  // truncated sequence
  EXPECT_EQ(support::Utf8ToWide("\xc0\x80"), std::wstring(L"\uFFFD"));        // overlong NUL
}

TEST(Text, FormatGrowsPastItsFirstBuffer) {
  const std::wstring longText(1000, L'x');
  EXPECT_EQ(support::FormatWide(L"%ls|%d", longText.c_str(), 7), longText + L"|7");
  EXPECT_EQ(support::Format("%04x-%02x", 0x1a2bu, 5u), "1a2b-05");
}

}  // namespace
