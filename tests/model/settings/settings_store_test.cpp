#include "model/settings/settings_store.h"

#include <gtest/gtest.h>

#include <string>

#include "support/logger.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::ProgramMatch;
using model::Settings;
using model::SettingsStore;

class SettingsStoreTest : public testsupport::TempFolderTest {
 protected:
  std::filesystem::path file_ = File("settings.xml");
  SettingsStore store_;
  support::ScopedLogCapture log_;
};

// Every field, written in the file's exact form, and read back the same.
TEST_F(SettingsStoreTest, EverySettingIsSavedInItsExactFormAndReadBack) {
  store_.Load(file_);
  const Settings chosen{.language = "lang_cn",
                        .activeProfile = L"Spiel \u00fc",
                        .firstProfileName = L"Alltag",
                        .switchByProgram = true,
                        .rules = {{L"Spiel \u00fc", ProgramMatch::kFolder, L"C:\\Games\\Space"},
                                  {L"", ProgramMatch::kName, L"code.exe"},
                                  {L"Web", ProgramMatch::kWindowClass, L"firefox"},
                                  {L"Web", ProgramMatch::kPath, L"/usr/bin/chromium"}},
                        .defaultProfile = L"Web"};
  ASSERT_TRUE(store_.Change([&](Settings& settings) { settings = chosen; }));
  EXPECT_EQ(Read(file_),
            "<?xml version=\"1.0\"?>\n"
            "<settings>\n"
            "\t<language name=\"lang_cn\" />\n"
            "\t<profiles active=\"Spiel \xc3\xbc\" first=\"Alltag\" />\n"
            "\t<programs switch=\"1\" default=\"Web\">\n"
            "\t\t<rule profile=\"Spiel \xc3\xbc\" match=\"folder\" value=\"C:\\Games\\Space\" />\n"
            "\t\t<rule profile=\"\" match=\"name\" value=\"code.exe\" />\n"
            "\t\t<rule profile=\"Web\" match=\"class\" value=\"firefox\" />\n"
            "\t\t<rule profile=\"Web\" match=\"path\" value=\"/usr/bin/chromium\" />\n"
            "\t</programs>\n"
            "</settings>\n");
  SettingsStore again;
  ASSERT_TRUE(again.Load(file_));
  EXPECT_EQ(again.Current(), chosen);
}

// What a file holds, and what the settings then are.
TEST_F(SettingsStoreTest, ReadsWhatItCanAndLeavesTheRestAtTheDefaults) {
  struct Case {
    const char* what;
    std::string text;
    Settings expected;
  };
  const Case cases[] = {
      {"no elements", "<settings/>", Settings{}},
      {"another root", "<other><language name=\"lang_cn\"/></other>", Settings{}},
      {"a language the program does not have", "<settings><language name=\"jp\"/></settings>", Settings{}},
      {"rules with an unknown match or no value are left out",
       "<settings><programs switch=\"7\"><rule profile=\"A\" match=\"title\" value=\"x\"/>"
       "<rule profile=\"A\" match=\"name\" value=\"\"/><rule match=\"path\" value=\"/bin/sh\"/></programs></settings>",
       [] {
         Settings settings;
         settings.switchByProgram = true;
         settings.rules = {{L"", ProgramMatch::kPath, L"/bin/sh"}};
         return settings;
       }()},
  };
  for (const Case& c : cases) {
    Write(file_, "<?xml version=\"1.0\"?>\n" + c.text);
    SettingsStore store;
    EXPECT_TRUE(store.Load(file_)) << c.what;
    EXPECT_EQ(store.Current(), c.expected) << c.what;
  }
}

TEST_F(SettingsStoreTest, ElementsOfANewerBuildSurviveASave) {
  Write(file_,
        "<?xml version=\"1.0\"?>\n<settings><outside enabled=\"1\" port=\"6743\"/><language name=\"lang_en\"/>"
        "</settings>");
  ASSERT_TRUE(store_.Load(file_));
  ASSERT_TRUE(store_.SetActiveProfile(L"B"));
  EXPECT_EQ(Read(file_),
            "<?xml version=\"1.0\"?>\n"
            "<settings>\n"
            "\t<language name=\"lang_en\" />\n"
            "\t<profiles active=\"B\" first=\"\" />\n"
            "\t<programs switch=\"0\" default=\"\" />\n"
            "\t<outside enabled=\"1\" port=\"6743\" />\n"
            "</settings>\n");
}

TEST_F(SettingsStoreTest, MissingFileGivesTheDefaultsAndIsWrittenOnlyByAChange) {
  EXPECT_FALSE(store_.Load(file_));
  EXPECT_EQ(store_.Current(), Settings{});
  EXPECT_EQ(EntryCount(), 0u);
  EXPECT_TRUE(store_.SetLanguage(""));  // no change: nothing to write
  EXPECT_EQ(EntryCount(), 0u);
  EXPECT_TRUE(store_.SetLanguage("lang_cn"));
  EXPECT_EQ(store_.Language(), "lang_cn");
  EXPECT_NE(Read(file_).find("<language name=\"lang_cn\" />"), std::string::npos);
}

TEST_F(SettingsStoreTest, UnreadableFileIsKeptBesideBeforeItIsWrittenOver) {
  Write(file_, "<settings><profiles active=\"A\"");
  EXPECT_FALSE(store_.Load(file_));
  EXPECT_EQ(store_.UnreadableAtLoad().fate, model::UnreadableFileReport::Fate::kKept);
  EXPECT_EQ(Read(File("settings.xml.bad")), "<settings><profiles active=\"A\"");
  EXPECT_EQ(store_.ActiveProfile(), L"");
  ASSERT_TRUE(store_.SetActiveProfile(L"B"));
  SettingsStore again;
  ASSERT_TRUE(again.Load(file_));
  EXPECT_EQ(again.ActiveProfile(), L"B");
}

TEST_F(SettingsStoreTest, FailedSaveKeepsTheFileAndTheChangeInMemory) {
  store_.Load(file_);
  ASSERT_TRUE(store_.SetActiveProfile(L"A"));
  const std::string before = Read(file_);
  support::testing::FailNextAtomicWriteAfter(10);
  EXPECT_FALSE(store_.SetActiveProfile(L"B"));
  EXPECT_EQ(Read(file_), before);
  EXPECT_EQ(store_.ActiveProfile(), L"B");
  EXPECT_FALSE(SettingsStore().Save());  // never loaded: no path
}

}  // namespace
