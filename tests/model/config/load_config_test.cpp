#include "model/config/load_config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/logger.h"
#include "tests/common/awkward_folder_name.h"
#include "tests/common/temp_folder.h"

namespace {

using model::AppConfig;
using model::CombKeyStep;
using model::DeviceSelector;
using Steps = std::vector<CombKeyStep>;

// A private folder per test, removed afterwards.
class ConfigFileTest : public ::testing::Test {
 protected:
  AppConfig Load(const std::string& xml, bool expectLoaded = true) {
    std::ofstream(folder_ / "config.xml", std::ios::binary) << xml;
    AppConfig config;
    EXPECT_EQ(model::LoadConfig(folder_, config), expectLoaded);
    return config;
  }

  const testsupport::TempFolder temp_{"kb_config"};
  const std::filesystem::path folder_ = temp_.Path();
};

TEST_F(ConfigFileTest, ReadsEverySection) {
  const AppConfig config = Load(
      "<?xml version=\"1.0\"?>\n"
      "<combkey><a name=\"Copy\" code=\"224:0,6:0\"/><b name=\"Paste\" code=\"224:10,25:0\"/></combkey>\n"
      "<usb vid=\"1a2b\" pid=\"0c3d\" interface=\"1\" subdevice=\"2\"/>\n"
      "<local language=\"cn\"/>\n"
      "<funkey><k name=\"Volume Up\" code=\"c00e9\" path=\"p\" argm=\"a\"/><x name=\"Mute\" code=\"0xc00e2\"/></funkey>\n");
  EXPECT_EQ(config.selector, (DeviceSelector{0x1A2B, 0x0C3D, 1, 2}));
  EXPECT_TRUE(config.useChinese);
  ASSERT_EQ(config.mediaKeys.size(), 2u);
  EXPECT_EQ(config.mediaKeys[0].name, L"Volume Up");
  EXPECT_EQ(config.mediaKeys[0].code, 0x000C00E9u);
  EXPECT_EQ(config.mediaKeys[0].path, L"p");
  EXPECT_EQ(config.mediaKeys[0].argm, L"a");
  EXPECT_EQ(config.mediaKeys[1].name, L"Mute");
  EXPECT_EQ(config.mediaKeys[1].code, 0x000C00E2u);
  EXPECT_EQ(config.mediaKeys[1].path, L"");
  ASSERT_EQ(config.functionKeys.size(), 2u);
  EXPECT_EQ(config.functionKeys[0].name, L"Copy");
  EXPECT_EQ(config.functionKeys[0].steps, (Steps{{224, 0}, {6, 0}}));
  EXPECT_EQ(config.functionKeys[1].name, L"Paste");
  EXPECT_EQ(config.functionKeys[1].steps, (Steps{{224, 10}, {25, 0}}));
}

TEST_F(ConfigFileTest, LanguageComparisonIsExact) {
  EXPECT_FALSE(Load("<local language=\"CN\"/>").useChinese);
  EXPECT_FALSE(Load("<local language=\"cn \"/>").useChinese);
  EXPECT_FALSE(Load("<local/>").useChinese);
  EXPECT_FALSE(Load("<local language=\"en\"/>").useChinese);
}

TEST_F(ConfigFileTest, SelectorNumbersAreHexWithOrWithoutPrefix) {
  EXPECT_EQ(Load("<usb vid=\"0x1a2b\" pid=\"0X0C3D\" interface=\"-1\" subdevice=\"ffffffff\"/>").selector,
            (DeviceSelector{0x1A2B, 0x0C3D, -1, 0x7FFFFFFF}));
  EXPECT_EQ(Load("<usb vid=\"1a2b\" pid=\"garbage\" interface=\"0a\"/>").selector,
            (DeviceSelector{0x1A2B, 0, 10, 0}));
  EXPECT_EQ(Load("<local language=\"en\"/>").selector, DeviceSelector{});
}

TEST_F(ConfigFileTest, MediaKeysWithoutANameAreSkipped) {
  const AppConfig config = Load(
      "<funkey><a code=\"c00e9\"/><b name=\"\" code=\"c00ea\"/><c name=\"No code\"/><!-- note --><d name=\"Next\" "
      "code=\"c00b5\"/></funkey>");
  ASSERT_EQ(config.mediaKeys.size(), 2u);
  EXPECT_EQ(config.mediaKeys[0].name, L"No code");
  EXPECT_EQ(config.mediaKeys[0].code, 0u);
  EXPECT_EQ(config.mediaKeys[1].name, L"Next");
  EXPECT_EQ(config.mediaKeys[1].code, 0x000C00B5u);
}

TEST_F(ConfigFileTest, FunctionKeysAreKeptEvenWithoutNameOrCode) {
  const AppConfig config = Load(
      "<combkey><a name=\"Blanks\" code=\" 224 : 5 , 4:0\"/><b code=\"224\"/><c name=\"Empty\" code=\"\"/>"
      "<d name=\"None\"/></combkey>");
  ASSERT_EQ(config.functionKeys.size(), 4u);
  EXPECT_EQ(config.functionKeys[0].steps, (Steps{{224, 5}, {4, 0}}));
  EXPECT_EQ(config.functionKeys[1].name, L"");
  EXPECT_EQ(config.functionKeys[1].steps, (Steps{{224, 0}}));
  EXPECT_EQ(config.functionKeys[2].name, L"Empty");
  EXPECT_TRUE(config.functionKeys[2].steps.empty());
  EXPECT_EQ(config.functionKeys[3].name, L"None");
  EXPECT_TRUE(config.functionKeys[3].steps.empty());
}

TEST_F(ConfigFileTest, OnlyTheFirstElementOfEachNameCounts) {
  const AppConfig config = Load("<usb vid=\"1\"/><usb vid=\"2\"/><funkey><a name=\"A\"/></funkey><funkey><b name=\"B\"/></funkey>");
  EXPECT_EQ(config.selector.vid, 1);
  ASSERT_EQ(config.mediaKeys.size(), 1u);
  EXPECT_EQ(config.mediaKeys[0].name, L"A");
}

TEST_F(ConfigFileTest, NamesAreReadAsUtf8) {
  const AppConfig config = Load("<funkey><a name=\"\xE9\x9F\xB3\xE9\x87\x8F+\" code=\"c00e9\"/></funkey>");
  ASSERT_EQ(config.mediaKeys.size(), 1u);
  EXPECT_EQ(config.mediaKeys[0].name, L"\u97F3\u91CF+");
}

TEST_F(ConfigFileTest, MissingOrMalformedFileLeavesEverythingAtItsDefaults) {
  AppConfig config;
  support::ScopedLogCapture log;
  EXPECT_FALSE(model::LoadConfig(folder_, config));
  EXPECT_EQ(config.selector, DeviceSelector{});
  EXPECT_FALSE(config.useChinese);
  EXPECT_TRUE(config.mediaKeys.empty());
  EXPECT_NE(log.Text().find("LoadConfig failed"), std::string::npos);

  const AppConfig broken = Load("<usb vid=\"1a2b\" pid=\"0c3d\"><funkey>", false);
  EXPECT_EQ(broken.selector, DeviceSelector{});
  EXPECT_TRUE(broken.functionKeys.empty());
}

TEST_F(ConfigFileTest, LoadingAppendsWithoutClearing) {
  std::ofstream(folder_ / "config.xml") << "<funkey><a name=\"A\" code=\"1\"/></funkey>";
  AppConfig config;
  ASSERT_TRUE(model::LoadConfigFile(folder_ / "config.xml", config));
  ASSERT_TRUE(model::LoadConfigFile(folder_ / "config.xml", config));
  EXPECT_EQ(config.mediaKeys.size(), 2u);
}

TEST(CombKeySteps, BlanksAreRemovedButTabsStay) {
  EXPECT_EQ(model::ParseCombKeySteps(L" 224 : 5 , 4:0"), (Steps{{224, 5}, {4, 0}}));
  EXPECT_EQ(model::ParseCombKeySteps(L"2 2 4:1 0"), (Steps{{224, 10}}));
  // strtol skips leading white space itself, so a tab before a number is harmless, one inside is not
  EXPECT_EQ(model::ParseCombKeySteps(L"\t224:5"), (Steps{{224, 5}}));
  EXPECT_EQ(model::ParseCombKeySteps(L"22\t4:5"), (Steps{{22, 5}}));
}

TEST(CombKeySteps, EmptyPiecesAndColonOnlyPiecesAreSkipped) {
  EXPECT_TRUE(model::ParseCombKeySteps(L"").empty());
  EXPECT_TRUE(model::ParseCombKeySteps(L"   ").empty());
  EXPECT_EQ(model::ParseCombKeySteps(L",,224:1,,6,"), (Steps{{224, 1}, {6, 0}}));
  EXPECT_EQ(model::ParseCombKeySteps(L"::,4:2"), (Steps{{4, 2}}));
}

TEST(CombKeySteps, NumbersFollowStrtolRules) {
  EXPECT_EQ(model::ParseCombKeySteps(L"x:5,7:y,-3:-20"), (Steps{{0, 5}, {7, 0}, {-3, -20}}));
  EXPECT_EQ(model::ParseCombKeySteps(L":5"), (Steps{{0, 5}}));
  EXPECT_EQ(model::ParseCombKeySteps(L"1:2:3"), (Steps{{1, 2}}));
}

TEST_F(ConfigFileTest, FolderOnlyFormFillsTheProcessWideConfig) {
  std::ofstream(folder_ / "config.xml") << "<usb vid=\"1a2b\" pid=\"0c3d\" interface=\"1\" subdevice=\"2\"/>";
  ASSERT_TRUE(model::LoadConfig(folder_));
  EXPECT_EQ(AppConfig::Instance().selector, (DeviceSelector{0x1A2B, 0x0C3D, 1, 2}));
}

// path::wstring() throws for such a folder; loading from it, and its log line, must not.
TEST_F(ConfigFileTest, AFolderNameOutsideUtf8LoadsAndLogsWithoutException) {
  const std::filesystem::path folder = folder_ / testsupport::AwkwardFolderName();
  std::filesystem::create_directory(folder);
  support::ScopedLogCapture log;
  AppConfig config;
  EXPECT_NO_THROW(EXPECT_FALSE(model::LoadConfig(folder, config)));
  EXPECT_NE(log.Text().find("LoadConfig failed: cannot load "), std::string::npos) << log.Text();
  std::ofstream(folder / "config.xml") << "<usb vid=\"1a2b\"/>";
  EXPECT_NO_THROW(EXPECT_TRUE(model::LoadConfigFile(folder / "config.xml", config)));
  EXPECT_EQ(config.selector.vid, 0x1A2B);
}

}  // namespace
