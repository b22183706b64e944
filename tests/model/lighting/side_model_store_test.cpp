#include "model/lighting/side_model_store.h"

#include <gtest/gtest.h>

#include "model/xml/unreadable_file.h"
#include "support/atomic_file.h"
#include "support/logger.h"
#include "tests/common/temp_folder_test.h"
#include "tests/common/default_lighting_files.h"

namespace {

using testsupport::CountEntries;
using testsupport::kDefaultSideModelFile;
using testsupport::ReadFileText;
using testsupport::TempFolder;
using testsupport::WriteFileText;
using model::SideModelStore;
using model::SideRecord;

std::string SideFile(const std::string& sel, const std::string& items) {
  return "<?xml version=\"1.0\"?>\n<effect sel=\"" + sel + "\">\n" + items + "</effect>\n";
}

std::string Items(std::initializer_list<const char*> brightnesses) {
  std::string items;
  for (const char* value : brightnesses) items += std::string("\t<item brightness=\"") + value + "\" />\n";
  return items;
}

int Brightness(const SideModelStore& store, int index) {
  const auto record = store.RecordAt(index);
  return record ? record->brightness : -100;
}

class SideModelStoreTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::filesystem::path file = folder / "sidemodel.xml";
  SideModelStore store;
  support::ScopedLogCapture log;
};

TEST_F(SideModelStoreTest, MissingFileWritesTheDefaults) {
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(file), kDefaultSideModelFile);
  EXPECT_EQ(store.Selected(), 0);
  EXPECT_EQ(Brightness(store, 2), 4);
  EXPECT_EQ(Brightness(store, 3), 7);
}

TEST_F(SideModelStoreTest, MalformedFileIsReplacedByTheDefaults) {
  WriteFileText(file, "not xml at all <");
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(file), kDefaultSideModelFile);
}

TEST_F(SideModelStoreTest, EmptyPathIsRefused) {
  EXPECT_FALSE(store.Load(""));
  EXPECT_FALSE(store.SetSelected(3));  // nowhere to save
  EXPECT_EQ(store.Selected(), 3);
  EXPECT_EQ(CountEntries(folder.Path()), 0u);
}

TEST_F(SideModelStoreTest, BrightnessWithBitThreeSetBecomesZero) {
  WriteFileText(file, SideFile("5", Items({"12", "5", "8", "15", "17", "7", "264", "-1", "0"}) + "\t<item />\n"));
  ASSERT_TRUE(store.Load(file));
  EXPECT_EQ(store.Selected(), 5);
  const int expected[] = {0, 5, 0, 0, 1, 7, 0, 0, 0, 0};  // 264 -> 8 -> 0; -1 -> 255 -> 0
  for (int index = 0; index < 10; ++index) EXPECT_EQ(Brightness(store, index), expected[index]) << index;
  EXPECT_EQ(Brightness(store, 10), 7);  // not in the file: keeps its value
}

TEST_F(SideModelStoreTest, SelectedAcceptsTwelveButNothingBeyond) {
  WriteFileText(file, SideFile("12", ""));
  ASSERT_TRUE(store.Load(file));
  EXPECT_EQ(store.Selected(), 12);
  EXPECT_FALSE(store.RecordAt(-1).has_value());  // 12 has no record
  for (const char* sel : {"13", "-1"}) {
    WriteFileText(file, SideFile(sel, ""));
    ASSERT_TRUE(store.Load(file));
    EXPECT_EQ(store.Selected(), 0) << sel;
  }
}

TEST_F(SideModelStoreTest, ReadsOnlyTheFirstTwelveChildren) {
  WriteFileText(file, SideFile("0", Items({"1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "2", "3", "3"})));
  ASSERT_TRUE(store.Load(file));
  EXPECT_EQ(Brightness(store, 11), 2);
  EXPECT_FALSE(store.RecordAt(12).has_value());
}

TEST_F(SideModelStoreTest, ChangesAreWrittenAsWholeFiles) {
  ASSERT_FALSE(store.Load(file));
  ASSERT_TRUE(store.SetRecord(4, SideRecord{6}));
  ASSERT_TRUE(store.SetSelected(4));
  EXPECT_EQ(ReadFileText(file), SideFile("4", Items({"4", "4", "4", "7", "6", "7", "7", "7", "7", "7", "7", "7"})));
  EXPECT_EQ(Brightness(store, -1), 6);

  ASSERT_TRUE(store.Reset());
  EXPECT_EQ(ReadFileText(file), kDefaultSideModelFile);
  EXPECT_EQ(store.Selected(), 0);
}

TEST_F(SideModelStoreTest, FailedSaveKeepsThePreviousFileWhole) {
  ASSERT_FALSE(store.Load(file));
  store.SetRecord(0, SideRecord{1});
  support::testing::FailNextAtomicWriteAfter(25);
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(ReadFileText(file), kDefaultSideModelFile);
  EXPECT_EQ(CountEntries(folder.Path()), 1u);
}

}  // namespace

namespace {

TEST_F(SideModelStoreTest, MalformedFileIsKeptAsBadBeforeTheDefaultsAreWritten) {
  const std::string broken = "<effect sel=\"2\"><item brightness=\"1\"></effect>";
  WriteFileText(file, broken);
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(folder / "sidemodel.xml.bad"), broken);
  EXPECT_EQ(ReadFileText(file), kDefaultSideModelFile);
  EXPECT_NE(log.Text().find("sidemodel.xml: unreadable, kept as "), std::string::npos) << log.Text();

  // A second, different broken file is kept under the next number.
  WriteFileText(file, "<effect");
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(folder / "sidemodel.xml.bad"), broken);
  EXPECT_EQ(ReadFileText(folder / "sidemodel.xml.bad.1"), "<effect");
}

TEST_F(SideModelStoreTest, MalformedFileThatCannotBeKeptIsNotReplaced) {
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    std::filesystem::create_directory(model::KeptCopyPath(file, index));
  }
  WriteFileText(file, "<effect sel=\"2\">");
  EXPECT_FALSE(store.Load(file));
  EXPECT_EQ(ReadFileText(file), "<effect sel=\"2\">");
  EXPECT_EQ(Brightness(store, 0), 4);
  // The first change does not write over it either.
  EXPECT_FALSE(store.SetSelected(5));
  EXPECT_EQ(ReadFileText(file), "<effect sel=\"2\">");
}

TEST_F(SideModelStoreTest, AZeroLengthFileIsKeptAsBadBeforeTheDefaultsAreWritten) {
  WriteFileText(file, "");
  EXPECT_FALSE(store.Load(file));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder / "sidemodel.xml.bad"));
  EXPECT_EQ(ReadFileText(file), kDefaultSideModelFile);
}

}  // namespace
