#include "model/lighting/led_effect_store.h"

#include <gtest/gtest.h>

#include <thread>

#include "model/xml/unreadable_file.h"
#include "support/atomic_file.h"
#include "support/logger.h"
#include "tests/common/awkward_folder_name.h"
#include "tests/common/temp_folder_test.h"
#include "tests/common/default_lighting_files.h"

namespace {

using testsupport::CountEntries;
using testsupport::kDefaultLedEffectFile;
using testsupport::ReadFileText;
using testsupport::TempFolder;
using testsupport::WriteFileText;
using model::EffectRecord;
using model::LedEffectStore;

// A file with the given "sel" text and item lines (already indented).
std::string EffectFile(const std::string& sel, const std::string& items) {
  return "<?xml version=\"1.0\"?>\n<effect sel=\"" + sel + "\">\n" + items + "</effect>\n";
}

EffectRecord Record(int brightness, int speed, int deriction, int selection) {
  return EffectRecord{static_cast<std::uint8_t>(brightness), static_cast<std::uint8_t>(speed),
                      static_cast<std::uint8_t>(deriction), static_cast<std::uint8_t>(selection)};
}

class LedEffectStoreTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::filesystem::path file = folder / "ledeffect.xml";
  LedEffectStore store;
  support::ScopedLogCapture log;  // keeps expected failure lines out of the test output
};

TEST_F(LedEffectStoreTest, MissingFileWritesTheDefaults) {
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(file), kDefaultLedEffectFile);
  EXPECT_EQ(store.Selected(), 20);
  EXPECT_EQ(store.RecordAt(0), Record(5, 0, 0, 0));
  EXPECT_EQ(store.RecordAt(19), Record(5, 0, 0, 0));
}

TEST_F(LedEffectStoreTest, MalformedFileIsReplacedByTheDefaults) {
  store.SetRecord(3, Record(1, 2, 1, 2));
  WriteFileText(file, "<effect sel=\"4\"><item speed=\"1\"></effect>");
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(file), kDefaultLedEffectFile);
  EXPECT_EQ(store.RecordAt(3), Record(5, 0, 0, 0));
}

TEST_F(LedEffectStoreTest, EmptyPathIsRefusedAndNothingIsWritten) {
  EXPECT_FALSE(store.Load(""));
  EXPECT_TRUE(store.Path().empty());
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(CountEntries(folder.Path()), 0u);
}

TEST_F(LedEffectStoreTest, LoadClampsEveryValueIntoItsRange) {
  WriteFileText(file, EffectFile("7",
                             "\t<item speed=\"200\" brightness=\"9\" deriction=\"2\" selection=\"3\" />\n"
                             "\t<item speed=\"3\" brightness=\"2\" deriction=\"1\" />\n"
                             "\t<item speed=\"260\" brightness=\"259\" deriction=\"257\" selection=\"258\" />\n"
                             "\t<item selection=\"0\" />\n"
                             "\t<item speed=\"-1\" brightness=\"4\" selection=\"2\" />\n"));
  ASSERT_TRUE(store.Load(file));
  EXPECT_EQ(store.Selected(), 7);
  EXPECT_EQ(store.RecordAt(0), Record(4, 4, 0, 1));  // above range: 4, 4, deriction 0, selection 1
  EXPECT_EQ(store.RecordAt(1), Record(2, 3, 1, 1));  // no selection attribute reads as 1
  EXPECT_EQ(store.RecordAt(2), Record(3, 4, 1, 2));  // low 8 bits first: 259 -> 3, 257 -> 1, 258 -> 2
  EXPECT_EQ(store.RecordAt(3), Record(0, 0, 0, 1));  // missing attributes read as 0
  EXPECT_EQ(store.RecordAt(4), Record(4, 4, 0, 2));  // -1 is 255 in a byte
  EXPECT_EQ(store.RecordAt(5), Record(5, 0, 0, 0));  // not in the file: keeps its value
}

TEST_F(LedEffectStoreTest, SelectedOutsideItsRangeBecomesZero) {
  for (const char* sel : {"21", "-1", "1000", "abc"}) {
    store.SetSelected(9);
    WriteFileText(file, EffectFile(sel, ""));
    ASSERT_TRUE(store.Load(file)) << sel;
    EXPECT_EQ(store.Selected(), 0) << sel;
  }
  WriteFileText(file, EffectFile("20", ""));
  ASSERT_TRUE(store.Load(file));
  EXPECT_EQ(store.Selected(), 20);
  WriteFileText(file, "<?xml version=\"1.0\"?>\n<effect />\n");
  ASSERT_TRUE(store.Load(file));
  EXPECT_EQ(store.Selected(), 0);
}

TEST_F(LedEffectStoreTest, ReadsOnlyTheFirstTwentyChildrenWhateverTheirNames) {
  std::string items = "\t<other speed=\"1\" />\n";
  for (int n = 1; n < 25; ++n) {
    items += "\t<item speed=\"" + std::to_string(n < 20 ? 2 : 3) + "\" />\n";
  }
  WriteFileText(file, EffectFile("0", items));
  ASSERT_TRUE(store.Load(file));
  EXPECT_EQ(store.RecordAt(0)->speed, 1);
  for (int n = 1; n < 20; ++n) EXPECT_EQ(store.RecordAt(n)->speed, 2) << n;
  // The children past the twentieth changed nothing, and the file is left as it was.
  EXPECT_EQ(ReadFileText(file), EffectFile("0", items));
}

TEST_F(LedEffectStoreTest, RecordAtResolvesTheSelectionAndRejectsIndicesWithoutRecord) {
  store.SetRecord(4, Record(1, 2, 0, 1));
  store.SetSelected(4);
  EXPECT_EQ(store.RecordAt(-1), Record(1, 2, 0, 1));
  EXPECT_TRUE(store.SetRecord(-1, Record(3, 3, 1, 2)));
  EXPECT_EQ(store.RecordAt(4), Record(3, 3, 1, 2));
  for (int index : {20, 21, -2, 100}) {
    EXPECT_FALSE(store.RecordAt(index).has_value()) << index;
    EXPECT_FALSE(store.SetRecord(index, Record(1, 1, 1, 1))) << index;
  }
  store.SetSelected(20);
  EXPECT_FALSE(store.RecordAt(-1).has_value());
  EXPECT_FALSE(store.SetRecord(-1, Record(1, 1, 1, 1)));
}

TEST_F(LedEffectStoreTest, ChangesAreWrittenAsWholeFiles) {
  ASSERT_FALSE(store.Load(file));
  store.SetRecord(1, Record(3, 2, 1, 2));
  ASSERT_TRUE(store.SetSelected(1));
  std::string expected = kDefaultLedEffectFile;
  const std::string defaultItem = "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n";
  expected.replace(expected.find("sel=\"20\""), 8, "sel=\"1\"");
  expected.replace(expected.find(defaultItem) + defaultItem.size(), defaultItem.size(),
                   "\t<item speed=\"2\" brightness=\"3\" deriction=\"1\" selection=\"2\" />\n");
  EXPECT_EQ(ReadFileText(file), expected);

  // A selection of -1 (no combo box item) is saved as it is and read back as 0.
  ASSERT_TRUE(store.SetSelected(-1));
  EXPECT_NE(ReadFileText(file).find("<effect sel=\"-1\">"), std::string::npos);
  LedEffectStore reloaded;
  ASSERT_TRUE(reloaded.Load(file));
  EXPECT_EQ(reloaded.Selected(), 0);
  EXPECT_EQ(reloaded.RecordAt(1), Record(3, 2, 1, 2));
  EXPECT_EQ(reloaded.RecordAt(0), Record(4, 0, 0, 1));  // the defaults read back clamped
}

TEST_F(LedEffectStoreTest, ResetRestoresAndWritesTheDefaults) {
  WriteFileText(file, EffectFile("3", "\t<item speed=\"1\" brightness=\"1\" deriction=\"1\" selection=\"2\" />\n"));
  ASSERT_TRUE(store.Load(file));
  ASSERT_TRUE(store.Reset());
  EXPECT_EQ(store.Selected(), 20);
  EXPECT_EQ(store.RecordAt(0), Record(5, 0, 0, 0));
  EXPECT_EQ(ReadFileText(file), kDefaultLedEffectFile);
}

TEST_F(LedEffectStoreTest, FailedSaveKeepsThePreviousFileWhole) {
  ASSERT_FALSE(store.Load(file));
  support::testing::FailNextAtomicWriteAfter(40);
  EXPECT_FALSE(store.SetSelected(2));
  EXPECT_EQ(ReadFileText(file), kDefaultLedEffectFile);
  EXPECT_EQ(CountEntries(folder.Path()), 1u);  // no temporary file left beside it
  // The next save goes through again.
  EXPECT_TRUE(store.Save());
  EXPECT_NE(ReadFileText(file).find("<effect sel=\"2\">"), std::string::npos);
}

}  // namespace

namespace {

// The start-up effect is read on a worker thread while the window thread edits the store.
TEST(LedEffectStoreThreads, ReaderSeesWholeRecordsWhileAnotherThreadWrites) {
  LedEffectStore store;
  const EffectRecord first = Record(1, 1, 1, 1);
  const EffectRecord second = Record(2, 3, 0, 2);
  store.SetRecord(0, first);
  std::thread writer([&store, &first, &second] {
    for (int round = 0; round < 2000; ++round) store.SetRecord(0, round % 2 == 0 ? second : first);
  });
  int torn = 0;
  for (int round = 0; round < 2000; ++round) {
    const EffectRecord seen = *store.RecordAt(0);
    if (!(seen == first || seen == second)) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace

namespace {

TEST_F(LedEffectStoreTest, MalformedFileIsKeptAsBadBeforeTheDefaultsAreWritten) {
  const std::string broken = "<effect sel=\"4\"><item speed=\"1\"></effect>";
  WriteFileText(file, broken);
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(folder / "ledeffect.xml.bad"), broken);
  EXPECT_EQ(ReadFileText(file), kDefaultLedEffectFile);
  EXPECT_NE(log.Text().find("ledeffect.xml: unreadable, kept as "), std::string::npos) << log.Text();
}

TEST_F(LedEffectStoreTest, MalformedFileThatCannotBeKeptIsNotReplaced) {
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    std::filesystem::create_directory(model::KeptCopyPath(file, index));  // every copy name blocked
  }
  const std::string broken = "<effect sel=\"4\">";
  WriteFileText(file, broken);
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(file), broken);
  EXPECT_EQ(store.RecordAt(0), Record(5, 0, 0, 0));  // the defaults are used all the same
  EXPECT_EQ(store.UnreadableAtLoad().fate, model::UnreadableFileReport::Fate::kNotKept);
  EXPECT_NE(log.Text().find("ledeffect.xml: not saved, as it could not be read and no copy of it could be kept"),
            std::string::npos)
      << log.Text();

  // Nor does the first change write over it, while no copy can be made; the refusal says why.
  const support::SaveResult refused = store.SetSelected(3);
  EXPECT_EQ(refused.outcome, support::SaveResult::Outcome::kRefused);
  EXPECT_EQ(refused.file, file);
  EXPECT_NE(refused.reason, "");
  EXPECT_FALSE(store.Reset());
  EXPECT_EQ(ReadFileText(file), broken);

  // Once a copy can be made, the next change makes it and saves.
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    std::filesystem::remove(model::KeptCopyPath(file, index));
  }
  EXPECT_TRUE(store.SetSelected(3));
  EXPECT_EQ(ReadFileText(folder / "ledeffect.xml.bad"), broken);
  EXPECT_NE(ReadFileText(file).find("<effect sel=\"3\">"), std::string::npos);
}

TEST_F(LedEffectStoreTest, AZeroLengthFileIsKeptAsBadBeforeTheDefaultsAreWritten) {
  WriteFileText(file, "");
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(folder / "ledeffect.xml.bad"), "");
  EXPECT_EQ(ReadFileText(file), kDefaultLedEffectFile);
  const model::UnreadableFileReport report = store.UnreadableAtLoad();
  EXPECT_EQ(report.fate, model::UnreadableFileReport::Fate::kKept);
  EXPECT_EQ(report.copy, folder / "ledeffect.xml.bad");
}

TEST_F(LedEffectStoreTest, MissingOrEmptyFileGetsTheDefaultsWithoutABadCopy) {
  WriteFileText(file, "<?xml version=\"1.0\"?>\n");
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(file), kDefaultLedEffectFile);
  EXPECT_EQ(CountEntries(folder.Path()), 1u);
}

TEST_F(LedEffectStoreTest, AFolderNameOutsideUtf8IsReadWrittenAndLoggedWithoutException) {
  const std::filesystem::path awkward = folder / testsupport::AwkwardFolderName();
  std::filesystem::create_directory(awkward);
  WriteFileText(awkward / "ledeffect.xml", "<effect");
  EXPECT_NO_THROW(EXPECT_FALSE(store.Load(awkward / "ledeffect.xml")));
  EXPECT_EQ(ReadFileText(awkward / "ledeffect.xml.bad"), "<effect");
  EXPECT_EQ(ReadFileText(awkward / "ledeffect.xml"), kDefaultLedEffectFile);
  EXPECT_NE(log.Text().find("ledeffect.xml: unreadable, kept as "), std::string::npos) << log.Text();
}

}  // namespace
