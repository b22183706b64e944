#include "support/path_text.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/common/awkward_folder_name.h"

namespace {

TEST(PathText, ChineseNamesGoBothWaysExactly) {
  const std::wstring wide = L"\u914d\u7f6e/caf\u00e9 \U0001F3B9/macro.xml";
  const std::string utf8 = "\xe9\x85\x8d\xe7\xbd\xae/caf\xc3\xa9 \xf0\x9f\x8e\xb9/macro.xml";
  std::filesystem::path fromWide;
  ASSERT_NO_THROW(fromWide = support::PathFromWide(wide));
  EXPECT_EQ(fromWide, support::PathFromUtf8(utf8));
  EXPECT_EQ(support::PathToWide(fromWide), wide);
  EXPECT_EQ(support::PathToUtf8(fromWide), utf8);
  EXPECT_EQ(fromWide.filename(), std::filesystem::path("macro.xml"));
}

TEST(PathText, NamesOutsideUtf8BecomeTextWithoutException) {
  const std::filesystem::path awkward = testsupport::AwkwardFolderName() / "macro.xml";
  std::string utf8;
  std::wstring wide;
  ASSERT_NO_THROW(utf8 = support::PathToUtf8(awkward));
  ASSERT_NO_THROW(wide = support::PathToWide(awkward));
  EXPECT_EQ(utf8.rfind("kb-", 0), 0u) << utf8;
  EXPECT_NE(utf8.find("macro.xml"), std::string::npos) << utf8;
  EXPECT_EQ(support::PathToUtf8(support::PathFromWide(wide)), utf8);
}

}  // namespace
