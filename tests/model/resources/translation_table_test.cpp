#include "model/resources/translation_table.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace model {
namespace {

TEST(TranslationTable, MessagesWithoutTextAreLeftOutAndTheLaterOneWins) {
  std::string error;
  const std::optional<TranslationTable> table = ParseTranslationTable(
      "<?xml version='1.0' encoding='utf-8'?><language name='zh_cn'>"
      "<message source='Warning' translation='old'/>"
      "<message source='Warning' translation='\xE8\xAD\xA6\xE5\x91\x8A'/>"
      "<message source='Empty' translation=''/><message translation='no source'/>"
      "<message source='No translation'/><other source='Other' translation='x'/></language>",
      error);
  ASSERT_TRUE(table) << error;
  EXPECT_EQ(table->language, "zh_cn");
  const std::map<std::string, std::string> expected{{"Warning", "\xE8\xAD\xA6\xE5\x91\x8A"}};
  EXPECT_EQ(table->texts, expected);
}

TEST(TranslationTable, UnreadableTablesSayWhy) {
  std::string error;
  EXPECT_FALSE(ParseTranslationTable("<language><message", error));
  EXPECT_EQ(error, "not well-formed XML");
  EXPECT_FALSE(ParseTranslationTable("", error));
  EXPECT_EQ(error, "not well-formed XML");
  EXPECT_FALSE(ParseTranslationTable("<other/>", error));
  EXPECT_EQ(error, "no language element");
}

// The shipped tables translate the same English texts.
TEST(TranslationTable, ShippedTablesCoverTheSameTexts) {
  auto load = [](const char* file) {
    std::ifstream stream(std::filesystem::path(KBCONFIG_UIRES_DIR) / "translation" / file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    std::string error;
    std::optional<TranslationTable> table = ParseTranslationTable(bytes, error);
    EXPECT_TRUE(table) << file << ": " << error;
    return table.value_or(TranslationTable{});
  };
  const TranslationTable chinese = load("lang_cn.xml");
  const TranslationTable english = load("lang_en.xml");
  EXPECT_EQ(chinese.language, "zh_cn");
  EXPECT_EQ(english.language, "en");
  ASSERT_GT(chinese.texts.size(), 100u);
  ASSERT_EQ(chinese.texts.size(), english.texts.size());
  for (const auto& [source, translation] : english.texts) {
    EXPECT_EQ(source, translation);
    EXPECT_TRUE(chinese.texts.count(source)) << source;
  }
}

}  // namespace
}  // namespace model
