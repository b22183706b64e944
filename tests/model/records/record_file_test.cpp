// record.xml: exact bytes written and what loading makes of them.
#include <gtest/gtest.h>

#include "model/records/record_store.h"
#include "model/xml/unreadable_file.h"
#include "support/logger.h"
#include "printers.h"
#include "tests/common/awkward_folder_name.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::KeyRecord;
using model::RecordStore;

const char kTwoRecords[] =
    "<?xml version=\"1.0\"?>\n"
    "<record code=\"7003a\" play=\"3\" type=\"0\" repeat=\"1\" name=\"F1\" group=\"Group 0\">\n"
    "\t<item code=\"70004\" state=\"1\" delay=\"95\" name=\"A\" />\n"
    "\t<item code=\"70004\" state=\"0\" delay=\"0\" name=\"A\" />\n"
    "</record>\n"
    "<record code=\"70039\" play=\"1\" type=\"1\" repeat=\"1\" name=\"Caps Lock\" group=\"Left Shift\">\n"
    "\t<item code=\"700e1\" state=\"0\" delay=\"0\" name=\"\" />\n"
    "</record>\n";

KeyRecord MacroRecord() {
  return KeyRecord{0x7003A, 0, 1, 3, 1, L"F1", L"Group 0", {{0x70004, 1, 95, L"A"}, {0x70004, 0, 0, L"A"}}};
}
KeyRecord SingleKeyRecord() {
  return KeyRecord{0x70039, 1, 0x700E1, 1, 1, L"Caps Lock", L"Left Shift", {{0x700E1, 0, 0, L""}}};
}

class RecordFileTest : public testsupport::TempFolderTest {};

TEST_F(RecordFileTest, WritesAMacroAndASingleKeyRecordByteForByteAndLoadsThemBack) {
  const auto path = File("record.xml");
  RecordStore store;
  EXPECT_FALSE(store.Load(path));
  store.UpsertRecord(MacroRecord());
  store.UpsertRecord(SingleKeyRecord());
  EXPECT_EQ(Read(path), kTwoRecords);

  RecordStore loaded;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.FilePath(), path);
  KeyRecord macro = MacroRecord();
  KeyRecord singleKey = SingleKeyRecord();
  macro.target = singleKey.target = 0;  // not stored
  EXPECT_EQ(*loaded.Snapshot(), (std::vector<KeyRecord>{macro, singleKey}));
  ASSERT_TRUE(loaded.Save());
  EXPECT_EQ(Read(path), kTwoRecords);
}

TEST_F(RecordFileTest, CodesAreLowerCaseHexadecimalWithoutPrefix) {
  RecordStore store;
  store.Load(File("record.xml"));
  store.UpsertRecord(KeyRecord{0xC00CD, 2, 0xC00CD, 1, 1, L"F2", L"Play Pause", {{0xC00CD, 0, 0, L"Play Pause"}}});
  store.UpsertRecord(KeyRecord{0xFFFFFFFF, 0, 0, -1, -1, L"", L"", {}});
  EXPECT_EQ(Read(File("record.xml")),
            "<?xml version=\"1.0\"?>\n"
            "<record code=\"c00cd\" play=\"1\" type=\"2\" repeat=\"1\" name=\"F2\" group=\"Play Pause\">\n"
            "\t<item code=\"c00cd\" state=\"0\" delay=\"0\" name=\"Play Pause\" />\n"
            "</record>\n"
            "<record code=\"ffffffff\" play=\"-1\" type=\"0\" repeat=\"-1\" name=\"\" group=\"\" />\n");
  RecordStore loaded;
  ASSERT_TRUE(loaded.Load(File("record.xml")));
  const auto records = loaded.Snapshot();
  ASSERT_EQ(records->size(), 2u);
  EXPECT_EQ((*records)[1].code, 0xFFFFFFFFu);
  EXPECT_EQ((*records)[1].play, -1);    // read back as unsigned, the same 32 bits
  EXPECT_EQ((*records)[1].repeat, 1);  // a negative count would never run out
}

TEST_F(RecordFileTest, RepeatCountsOutsideTheRangeAreReadAsTheNearestBound) {
  Write(File("record.xml"),
        "<record code=\"3a\" repeat=\"-3\" /><record code=\"3b\" repeat=\"1000000\" />"
        "<record code=\"3c\" repeat=\"0\" /><record code=\"3d\" repeat=\"9999\" />"
        "<record code=\"3e\" repeat=\"17\" />");
  RecordStore store;
  ASSERT_TRUE(store.Load(File("record.xml")));
  std::vector<int> repeats;
  for (const KeyRecord& record : *store.Snapshot()) repeats.push_back(record.repeat);
  EXPECT_EQ(repeats, (std::vector<int>{1, 9999, 1, 9999, 17}));
}

TEST_F(RecordFileTest, LoadsAnyElementNamesAndReadsMissingAttributesAsZero) {
  Write(File("record.xml"),
        "<?xml version=\"1.0\"?>\n"
        "<key code=\"0x7003A\" play=\"2\" type=\"3\" repeat=\"4\" name=\"F1\" group=\"Copy\">\n"
        "\t<step code=\"700e0\" state=\"1\" delay=\"7\" name=\"Left Control\" />\n"
        "\t<item />\n"
        "</key>\n"
        "<record />\n"
        "<record code=\"xyz\"><item code=\"g1\" name=\"n\" /></record>\n");
  RecordStore store;
  ASSERT_TRUE(store.Load(File("record.xml")));
  EXPECT_EQ(*store.Snapshot(),
            (std::vector<KeyRecord>{
                KeyRecord{0x7003A, 3, 0, 2, 4, L"F1", L"Copy", {{0x700E0, 1, 7, L"Left Control"}, {0, 0, 0, L""}}},
                KeyRecord{0, 0, 0, 0, 1, L"", L"", {}},  // a missing count is 0, read as 1
                KeyRecord{0, 0, 0, 0, 1, L"", L"", {{0, 0, 0, L"n"}}},
            }));
}

TEST_F(RecordFileTest, TargetIsZeroAfterLoading) {
  RecordStore store;
  store.Load(File("record.xml"));
  KeyRecord record = MacroRecord();
  record.target = 12345;
  store.UpsertRecord(record);
  EXPECT_EQ(Read(File("record.xml")).find("12345"), std::string::npos);
  RecordStore loaded;
  ASSERT_TRUE(loaded.Load(File("record.xml")));
  EXPECT_EQ(loaded.Snapshot()->at(0).target, 0);
}

TEST_F(RecordFileTest, NegativeStepDelaysBecomeZeroLargeOnesSaturate) {
  Write(File("record.xml"),
        "<record code=\"4\"><item code=\"4\" state=\"1\" delay=\"-5\" />"
        "<item code=\"4\" state=\"0\" delay=\"4294967291\" /></record>");
  RecordStore store;
  ASSERT_TRUE(store.Load(File("record.xml")));
  const auto& steps = store.Snapshot()->at(0).steps;
  EXPECT_EQ(steps[0].delay, 0);
  EXPECT_EQ(steps[1].delay, 2147483647);

  KeyRecord typed = MacroRecord();
  typed.steps[0].delay = -5;
  store.UpsertRecord(typed);
  ASSERT_TRUE(store.Save());
  EXPECT_NE(Read(File("record.xml")).find("<item code=\"70004\" state=\"1\" delay=\"0\" name=\"A\" />"),
            std::string::npos);
}

TEST_F(RecordFileTest, MissingOrMalformedFileLeavesTheRecords) {
  RecordStore store;
  store.Load(File("record.xml"));
  store.UpsertRecord(MacroRecord());
  EXPECT_FALSE(store.Load(File("missing.xml")));
  Write(File("broken.xml"), "<record code=\"1\">");
  {
    support::ScopedLogCapture log;
    EXPECT_FALSE(store.Load(File("broken.xml")));
  }
  EXPECT_FALSE(store.Load(std::filesystem::path()));
  EXPECT_EQ(*store.Snapshot(), (std::vector<KeyRecord>{MacroRecord()}));
}

TEST_F(RecordFileTest, ClearRecordsWritesAFileWithoutRecords) {
  RecordStore store;
  store.Load(File("record.xml"));
  store.UpsertRecord(MacroRecord());
  store.ClearRecords();
  EXPECT_TRUE(store.Snapshot()->empty());
  EXPECT_EQ(Read(File("record.xml")), "<?xml version=\"1.0\"?>\n");

  RecordStore loaded;
  support::ScopedLogCapture log;
  loaded.Load(File("record.xml"));
  EXPECT_TRUE(loaded.Snapshot()->empty());
}

TEST_F(RecordFileTest, UnwritableFileGivesFalseAndKeepsTheRecords) {
  RecordStore store;
  store.Load(dir_ / "no such folder" / "record.xml");
  support::ScopedLogCapture log;
  store.UpsertRecord(MacroRecord());
  EXPECT_EQ(store.Snapshot()->size(), 1u);
  EXPECT_FALSE(store.Save());
  EXPECT_FALSE(log.Text().empty());

  RecordStore neverLoaded;
  EXPECT_FALSE(neverLoaded.Save());
}

}  // namespace

namespace {

TEST_F(RecordFileTest, AFileWithoutRecordsLoadsAsNoRecordsWithoutComplaint) {
  RecordStore store;
  store.Load(File("record.xml"));
  store.UpsertRecord(MacroRecord());
  store.ClearRecords();

  RecordStore loaded;
  loaded.Load(File("other.xml"));
  loaded.UpsertRecord(SingleKeyRecord());
  support::ScopedLogCapture log;
  EXPECT_TRUE(loaded.Load(File("record.xml")));
  EXPECT_TRUE(loaded.Snapshot()->empty());
  EXPECT_EQ(log.Text(), "");
  EXPECT_FALSE(std::filesystem::exists(File("record.xml.bad")));
}

TEST_F(RecordFileTest, MalformedFileIsKeptAsBadBeforeTheNextSaveReplacesIt) {
  const std::string broken = "<record code=\"7003a\" name=\"F1\"><item code=\"70004\"></record";
  Write(File("record.xml"), broken);
  RecordStore store;
  support::ScopedLogCapture log;
  EXPECT_FALSE(store.Load(File("record.xml")));
  EXPECT_EQ(Read(File("record.xml.bad")), broken);
  EXPECT_NE(log.Text().find("record.xml: unreadable, kept as "), std::string::npos) << log.Text();

  store.UpsertRecord(MacroRecord());  // saves over record.xml
  EXPECT_NE(Read(File("record.xml")).find("name=\"F1\""), std::string::npos);
  EXPECT_EQ(Read(File("record.xml.bad")), broken);

  const std::string otherBroken = "<record";
  Write(File("record.xml"), otherBroken);
  EXPECT_FALSE(store.Load(File("record.xml")));
  EXPECT_EQ(Read(File("record.xml.bad")), broken);
  EXPECT_EQ(Read(File("record.xml.bad.1")), otherBroken);
}

TEST_F(RecordFileTest, AZeroLengthFileIsKeptAsBadNotTakenAsNoRecords) {
  Write(File("record.xml"), "");
  RecordStore store;
  support::ScopedLogCapture log;
  EXPECT_FALSE(store.Load(File("record.xml")));
  EXPECT_TRUE(std::filesystem::is_regular_file(File("record.xml.bad")));
  EXPECT_EQ(store.UnreadableAtLoad().fate, model::UnreadableFileReport::Fate::kKept);
}

TEST_F(RecordFileTest, AnUnreadableFileWithoutACopyIsNeverSavedOver) {
  const std::string broken = "<record code=\"7003a\"";
  Write(File("record.xml"), broken);
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    std::filesystem::create_directory(model::KeptCopyPath(File("record.xml"), index));
  }
  RecordStore store;
  support::ScopedLogCapture log;
  EXPECT_FALSE(store.Load(File("record.xml")));
  EXPECT_EQ(store.UnreadableAtLoad().fate, model::UnreadableFileReport::Fate::kNotKept);
  store.UpsertRecord(MacroRecord());
  EXPECT_FALSE(store.Save());
  store.ClearRecords();
  EXPECT_EQ(Read(File("record.xml")), broken);
  EXPECT_NE(log.Text().find("record.xml: not saved, as it could not be read and no copy of it could be kept"),
            std::string::npos)
      << log.Text();

  std::filesystem::remove(model::KeptCopyPath(File("record.xml"), 0));
  store.UpsertRecord(MacroRecord());
  EXPECT_EQ(Read(File("record.xml.bad")), broken);
  EXPECT_NE(Read(File("record.xml")).find("name=\"F1\""), std::string::npos);
}

TEST_F(RecordFileTest, AFolderNameOutsideUtf8IsReadWrittenAndLoggedWithoutException) {
  const std::filesystem::path folder = dir_ / testsupport::AwkwardFolderName();
  std::filesystem::create_directory(folder);
  Write(folder / "record.xml", "<record");
  RecordStore store;
  support::ScopedLogCapture log;
  EXPECT_NO_THROW(EXPECT_FALSE(store.Load(folder / "record.xml")));
  EXPECT_EQ(Read(folder / "record.xml.bad"), "<record");
  store.UpsertRecord(MacroRecord());
  RecordStore reloaded;
  EXPECT_NO_THROW(EXPECT_TRUE(reloaded.Load(folder / "record.xml")));
  EXPECT_EQ(reloaded.Snapshot()->size(), 1u);
}

}  // namespace
