// macro.xml: exact bytes written and what loading makes of them.
#include <gtest/gtest.h>

#include "model/macro/macro_library.h"
#include "model/xml/unreadable_file.h"
#include "support/logger.h"
#include "printers.h"
#include "tests/common/awkward_folder_name.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::MacroGroup;
using model::MacroLibrary;
using model::MacroStep;

const char kTwoGroups[] =
    "<?xml version=\"1.0\"?>\n"
    "<config type=\"0\" repeat=\"1\" mode=\"0\" delay=\"10\" media=\"0\" function=\"0\" group=\"0\" skcode=\"0\" "
    "play=\"0\" />\n"
    "<macro>\n"
    "\t<group name=\"Group 0\">\n"
    "\t\t<item code=\"458756\" state=\"1\" delay=\"120\" name=\"A\" />\n"
    "\t\t<item code=\"458756\" state=\"0\" delay=\"0\" name=\"A\" />\n"
    "\t</group>\n"
    "\t<group name=\"Group 1\" />\n"
    "</macro>\n";

class MacroFileTest : public testsupport::TempFolderTest {};

TEST_F(MacroFileTest, WritesTwoGroupsByteForByteAndLoadsThemBack) {
  const auto path = File("macro.xml");
  MacroLibrary library;
  EXPECT_FALSE(library.Load(path));  // no file yet; the path is remembered for saving
  library.AddGroup();
  library.AddGroup();
  library.AppendStep(library.GroupAt(0), 458756, 1, 120, L"A");
  library.AppendStep(library.GroupAt(0), 458756, 0, 0, L"A");
  ASSERT_TRUE(library.Save());
  EXPECT_EQ(Read(path), kTwoGroups);

  MacroLibrary loaded;
  loaded.repeat = 99;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.filePath, path);
  EXPECT_EQ(loaded.repeat, 1);
  EXPECT_EQ(loaded.delay, 10);
  ASSERT_EQ(loaded.GroupCount(), 2);
  EXPECT_EQ(*loaded.GroupAt(0), (MacroGroup{L"Group 0", {{458756, 1, 120, L"A"}, {458756, 0, 0, L"A"}}}));
  EXPECT_EQ(*loaded.GroupAt(1), (MacroGroup{L"Group 1", {}}));

  ASSERT_TRUE(loaded.Save());
  EXPECT_EQ(Read(path), kTwoGroups);
}

TEST_F(MacroFileTest, NoGroupsGiveAnEmptyMacroElementAfterConfig) {
  MacroLibrary library;
  library.Load(File("macro.xml"));
  ASSERT_TRUE(library.Save());
  EXPECT_EQ(Read(File("macro.xml")),
            "<?xml version=\"1.0\"?>\n"
            "<config type=\"0\" repeat=\"1\" mode=\"0\" delay=\"10\" media=\"0\" function=\"0\" group=\"0\" "
            "skcode=\"0\" play=\"0\" />\n"
            "<macro />\n");
}

TEST_F(MacroFileTest, EverySettingSurvivesSaveAndLoad) {
  MacroLibrary library;
  library.Load(File("macro.xml"));
  library.type = 3;
  library.repeat = -1;
  library.delay = 250;
  library.mode = 1;
  library.media = 4;
  library.function = 2;
  library.group = -1;
  library.skcode = 0x000700E1;
  library.play = 5;
  library.playValue = 6;
  library.recording = 1;
  library.AddGroup();
  library.RenameGroup(0, L"Ünïcode & <quotes> \"x\"");
  ASSERT_TRUE(library.Save());
  EXPECT_NE(Read(File("macro.xml"))
                .find("<config type=\"3\" repeat=\"-1\" mode=\"1\" delay=\"250\" media=\"4\" function=\"2\" "
                      "group=\"-1\" skcode=\"458977\" play=\"5\" />"),
            std::string::npos);

  MacroLibrary loaded;
  ASSERT_TRUE(loaded.Load(File("macro.xml")));
  EXPECT_EQ(loaded.type, 3);
  EXPECT_EQ(loaded.repeat, -1);  // a negative repeat keeps its meaning
  EXPECT_EQ(loaded.delay, 250);
  EXPECT_EQ(loaded.mode, 1);
  EXPECT_EQ(loaded.media, 4);
  EXPECT_EQ(loaded.function, 2);
  EXPECT_EQ(loaded.group, -1);
  EXPECT_EQ(loaded.skcode, 0x000700E1u);
  EXPECT_EQ(loaded.play, 5);
  EXPECT_EQ(loaded.playValue, 0);  // not stored
  EXPECT_EQ(loaded.recording, 0);  // not stored
  ASSERT_EQ(loaded.GroupCount(), 1);
  EXPECT_EQ(loaded.GroupAt(0)->name, L"Ünïcode & <quotes> \"x\"");
}

TEST_F(MacroFileTest, LoadsAnyElementNamesAndReadsMissingAttributesAsZero) {
  Write(File("macro.xml"),
        "<?xml version=\"1.0\"?>\n"
        "<other />\n"
        "<macro>\n"
        "\t<grp name=\"G\">\n"
        "\t\t<step code=\"458756\" state=\"1\" delay=\"5\" name=\"A\" />\n"
        "\t\t<item />\n"
        "\t\ttext between steps\n"
        "\t</grp>\n"
        "\t<group />\n"
        "</macro>\n"
        "<macro><group name=\"from the second macro element\" /></macro>\n"
        "<config type=\"2\" />\n");
  MacroLibrary library;
  {
    support::ScopedLogCapture log;  // no file path yet: the group's save fails
    library.AddGroup();             // replaced by the loaded groups
  }
  ASSERT_TRUE(library.Load(File("macro.xml")));
  ASSERT_EQ(library.GroupCount(), 2);
  EXPECT_EQ(*library.GroupAt(0), (MacroGroup{L"G", {{458756, 1, 5, L"A"}, {0, 0, 0, L""}}}));
  EXPECT_EQ(*library.GroupAt(1), (MacroGroup{L"", {}}));
  // A config element without an attribute gives 0, not the default.
  EXPECT_EQ(library.type, 2);
  EXPECT_EQ(library.repeat, 0);
  EXPECT_EQ(library.delay, 0);
  EXPECT_EQ(library.play, 0);
}

TEST_F(MacroFileTest, WithoutConfigTheSettingsKeepTheirValues) {
  Write(File("macro.xml"), "<macro><group name=\"only\" /></macro>");
  MacroLibrary library;
  library.repeat = 7;
  library.mode = 2;
  ASSERT_TRUE(library.Load(File("macro.xml")));
  EXPECT_EQ(library.repeat, 7);
  EXPECT_EQ(library.mode, 2);
  EXPECT_EQ(library.delay, 10);
  EXPECT_EQ(library.GroupCount(), 1);
}

TEST_F(MacroFileTest, MissingOrMalformedFileChangesNothingButThePath) {
  MacroLibrary library;
  library.Load(File("first.xml"));
  library.AddGroup();
  library.repeat = 4;

  EXPECT_FALSE(library.Load(File("missing.xml")));
  EXPECT_EQ(library.filePath, File("missing.xml"));
  Write(File("broken.xml"), "<macro><group name=\"x\"></macro>");
  {
    support::ScopedLogCapture log;
    EXPECT_FALSE(library.Load(File("broken.xml")));
  }
  EXPECT_EQ(library.filePath, File("broken.xml"));
  EXPECT_EQ(library.GroupCount(), 1);
  EXPECT_EQ(library.repeat, 4);

  EXPECT_FALSE(library.Load(std::filesystem::path()));
  EXPECT_EQ(library.filePath, File("broken.xml"));
}

TEST_F(MacroFileTest, NumbersSaturateAtTheSignedRangeAndNegativeDelaysReadAsZero) {
  Write(File("macro.xml"),
        "<config repeat=\"99999999999\" delay=\"-7\" mode=\"-3\" skcode=\"abc\" />"
        "<macro><group name=\"g\">"
        "<item code=\"4294967295\" state=\"-1\" delay=\"4294967291\" />"
        "<item code=\"12abc\" state=\"1\" delay=\"-5\" />"
        "</group></macro>");
  MacroLibrary library;
  ASSERT_TRUE(library.Load(File("macro.xml")));
  EXPECT_EQ(library.repeat, 2147483647);
  EXPECT_EQ(library.delay, 0);
  EXPECT_EQ(library.mode, -3);
  EXPECT_EQ(library.skcode, 0u);
  const auto group = library.GroupAt(0);
  ASSERT_EQ(group->steps.size(), 2u);
  EXPECT_EQ(group->steps[0].code, 4294967295u);  // codes read as written: unsigned
  EXPECT_EQ(group->steps[0].state, -1);
  EXPECT_EQ(group->steps[0].delay, 2147483647);  // above the signed range: saturated
  EXPECT_EQ(group->steps[1].code, 12u);
  EXPECT_EQ(group->steps[1].delay, 0);  // negative: stored as 0
}

TEST_F(MacroFileTest, NegativeDelaysAreStoredAndWrittenAsZero) {
  MacroLibrary library;
  library.Load(File("macro.xml"));
  library.delay = -5;
  EXPECT_EQ(library.delay, 0);
  library.AddGroup();
  library.AppendStep(library.GroupAt(0), 458756, 1, -5, L"A");
  library.GroupAt(0)->steps.push_back(MacroStep{458756, 0, -1, L"A"});
  ASSERT_TRUE(library.Save());
  const std::string text = Read(File("macro.xml"));
  EXPECT_NE(text.find("<config type=\"0\" repeat=\"1\" mode=\"0\" delay=\"0\" "), std::string::npos);
  EXPECT_NE(text.find("<item code=\"458756\" state=\"1\" delay=\"0\" name=\"A\" />"), std::string::npos);
  EXPECT_NE(text.find("<item code=\"458756\" state=\"0\" delay=\"0\" name=\"A\" />"), std::string::npos);
  EXPECT_EQ(text.find("4294967"), std::string::npos);
}

TEST_F(MacroFileTest, UnwritableFileGivesFalseAndKeepsTheLibrary) {
  MacroLibrary library;
  library.Load(dir_ / "no such folder" / "macro.xml");
  support::ScopedLogCapture log;
  library.AddGroup();  // its save fails quietly
  EXPECT_EQ(library.GroupCount(), 1);
  EXPECT_FALSE(library.Save());
  EXPECT_FALSE(log.Text().empty());
}

TEST_F(MacroFileTest, SaveWithoutAPathFails) {
  MacroLibrary library;
  support::ScopedLogCapture log;
  EXPECT_FALSE(library.Save());
  EXPECT_NE(log.Text().find("MacroLibrary::Save"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(MacroFileTest, StepCodesOfVendorPagesSurviveSaveAndLoad) {
  MacroLibrary library;
  library.Load(File("macro.xml"));
  library.AddGroup();
  library.AppendStep(library.GroupAt(0), 0xFF000001u, 1, 5, L"vendor");
  library.AppendStep(library.GroupAt(0), 0xFFFFFFFFu, 0, 0, L"all ones");
  ASSERT_TRUE(library.Save());
  EXPECT_NE(Read(File("macro.xml")).find("<item code=\"4278190081\" state=\"1\" delay=\"5\" name=\"vendor\" />"),
            std::string::npos);

  MacroLibrary reloaded;
  ASSERT_TRUE(reloaded.Load(File("macro.xml")));
  ASSERT_EQ(reloaded.GroupAt(0)->steps.size(), 2u);
  EXPECT_EQ(reloaded.GroupAt(0)->steps[0].code, 0xFF000001u);
  EXPECT_EQ(reloaded.GroupAt(0)->steps[1].code, 0xFFFFFFFFu);
}

TEST_F(MacroFileTest, NegativeStepCodesStillReadAsTheirTwosComplement) {
  Write(File("macro.xml"), "<macro><group name=\"g\"><item code=\"-1\" /><item code=\"458756\" /></group></macro>");
  MacroLibrary library;
  ASSERT_TRUE(library.Load(File("macro.xml")));
  EXPECT_EQ(library.GroupAt(0)->steps[0].code, 0xFFFFFFFFu);
  EXPECT_EQ(library.GroupAt(0)->steps[1].code, 458756u);
}

TEST_F(MacroFileTest, MalformedFileIsKeptAsBadBeforeTheNextSaveReplacesIt) {
  const std::string broken = "<config repeat=\"3\" /><macro><group name=\"mine\"><item code=\"4\"></macro>";
  Write(File("macro.xml"), broken);
  MacroLibrary library;
  support::ScopedLogCapture log;
  EXPECT_FALSE(library.Load(File("macro.xml")));
  EXPECT_EQ(Read(File("macro.xml.bad")), broken);
  EXPECT_NE(log.Text().find("macro.xml: unreadable, kept as "), std::string::npos) << log.Text();

  library.AddGroup();  // saves: macro.xml is replaced, the broken version stays beside it
  EXPECT_NE(Read(File("macro.xml")).find("<group name=\"Group 0\" />"), std::string::npos);
  EXPECT_EQ(Read(File("macro.xml.bad")), broken);

  // Loading the same broken bytes again keeps no second copy.
  Write(File("macro.xml"), broken);
  EXPECT_FALSE(library.Load(File("macro.xml")));
  EXPECT_FALSE(std::filesystem::exists(File("macro.xml.bad.1")));
}

TEST_F(MacroFileTest, MissingOrEmptyFileKeepsNoBadCopy) {
  MacroLibrary library;
  support::ScopedLogCapture log;
  EXPECT_FALSE(library.Load(File("macro.xml")));
  Write(File("macro.xml"), "<?xml version=\"1.0\"?>\n");
  EXPECT_FALSE(library.Load(File("macro.xml")));
  EXPECT_FALSE(std::filesystem::exists(File("macro.xml.bad")));
  EXPECT_EQ(log.Text(), "");
}

TEST_F(MacroFileTest, AZeroLengthFileIsKeptAsBadAndReported) {
  Write(File("macro.xml"), "");
  MacroLibrary library;
  support::ScopedLogCapture log;
  EXPECT_FALSE(library.Load(File("macro.xml")));
  EXPECT_TRUE(std::filesystem::is_regular_file(File("macro.xml.bad")));
  EXPECT_EQ(library.UnreadableAtLoad().fate, model::UnreadableFileReport::Fate::kKept);
  EXPECT_EQ(library.UnreadableAtLoad().copy, File("macro.xml.bad"));
}

TEST_F(MacroFileTest, AnUnreadableFileWithoutACopyIsNeverSavedOver) {
  const std::string broken = "<macro><group name=\"mine\">";
  Write(File("macro.xml"), broken);
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    std::filesystem::create_directory(model::KeptCopyPath(File("macro.xml"), index));
  }
  MacroLibrary library;
  support::ScopedLogCapture log;
  EXPECT_FALSE(library.Load(File("macro.xml")));
  EXPECT_EQ(library.UnreadableAtLoad().fate, model::UnreadableFileReport::Fate::kNotKept);
  library.AddGroup();
  EXPECT_FALSE(library.Save());
  EXPECT_EQ(Read(File("macro.xml")), broken);
  EXPECT_NE(log.Text().find("macro.xml: not saved, as it could not be read and no copy of it could be kept"),
            std::string::npos)
      << log.Text();

  std::filesystem::remove(model::KeptCopyPath(File("macro.xml"), 0));
  EXPECT_TRUE(library.Save());
  EXPECT_EQ(Read(File("macro.xml.bad")), broken);
  EXPECT_NE(Read(File("macro.xml")).find("<group name=\"Group 0\" />"), std::string::npos);
}

TEST_F(MacroFileTest, AFolderNameOutsideUtf8IsReadWrittenAndLoggedWithoutException) {
  const std::filesystem::path folder = dir_ / testsupport::AwkwardFolderName();
  std::filesystem::create_directory(folder);
  Write(folder / "macro.xml", "<macro><group name=\"g\">");
  MacroLibrary library;
  support::ScopedLogCapture log;
  EXPECT_NO_THROW(EXPECT_FALSE(library.Load(folder / "macro.xml")));
  EXPECT_EQ(Read(folder / "macro.xml.bad"), "<macro><group name=\"g\">");
  library.AddGroup();
  MacroLibrary reloaded;
  EXPECT_NO_THROW(EXPECT_TRUE(reloaded.Load(folder / "macro.xml")));
  EXPECT_EQ(reloaded.GroupCount(), 1);
}

}  // namespace
