// Record operations of the store and when they write record.xml.
#include <gtest/gtest.h>

#include <vector>

#include "model/records/record_store.h"
#include "printers.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::KeyCode;
using model::KeyRecord;
using model::RecordStore;

KeyRecord Record(KeyCode code, int play, const wchar_t* group) {
  return KeyRecord{code, 0, 0, play, 1, L"key", group, {{0x70004, 1, 10, L"A"}}};
}

std::vector<KeyCode> Codes(const RecordStore& store) {
  std::vector<KeyCode> codes;
  for (const KeyRecord& record : *store.Snapshot()) codes.push_back(record.code);
  return codes;
}

class RecordStoreTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    testsupport::TempFolderTest::SetUp();
    store_.Load(File("record.xml"));
  }
  bool FileExists() const { return std::filesystem::exists(File("record.xml")); }

  RecordStore store_;
};

TEST_F(RecordStoreTest, UpsertAppendsNewCodesAndSaves) {
  store_.UpsertRecord(Record(0x7003A, 2, L"Group 0"));
  EXPECT_TRUE(FileExists());
  store_.UpsertRecord(Record(0x7003B, 2, L"Group 1"));
  EXPECT_EQ(Codes(store_), (std::vector<KeyCode>{0x7003A, 0x7003B}));
  EXPECT_NE(Read(File("record.xml")).find("code=\"7003b\""), std::string::npos);
}

TEST_F(RecordStoreTest, UpsertReplacesTheRecordOfTheSameCodeInPlace) {
  store_.UpsertRecord(Record(0x7003A, 2, L"first"));
  store_.UpsertRecord(Record(0x7003B, 2, L"second"));
  store_.UpsertRecord(Record(0x7003C, 2, L"third"));
  std::filesystem::remove(File("record.xml"));

  KeyRecord replacement{0x7003B, 1, 0x700E1, 1, 1, L"F2", L"Left Shift", {{0x700E1, 0, 0, L""}}};
  store_.UpsertRecord(replacement);
  EXPECT_EQ(Codes(store_), (std::vector<KeyCode>{0x7003A, 0x7003B, 0x7003C}));
  EXPECT_EQ(store_.Snapshot()->at(1), replacement);
  EXPECT_FALSE(FileExists());  // a replacement alone is saved by the caller
  ASSERT_TRUE(store_.Save());
  RecordStore loaded;
  ASSERT_TRUE(loaded.Load(File("record.xml")));
  EXPECT_EQ(loaded.Snapshot()->at(1).group, L"Left Shift");
}

TEST_F(RecordStoreTest, RemoveRecordReportsWhetherItFoundOne) {
  store_.UpsertRecord(Record(1, 2, L"a"));
  store_.UpsertRecord(Record(2, 2, L"b"));
  store_.UpsertRecord(Record(3, 2, L"c"));
  std::filesystem::remove(File("record.xml"));
  EXPECT_EQ(store_.RemoveRecord(4), 0);
  EXPECT_EQ(Codes(store_), (std::vector<KeyCode>{1, 2, 3}));
  EXPECT_EQ(store_.RemoveRecord(2), 1);
  EXPECT_EQ(Codes(store_), (std::vector<KeyCode>{1, 3}));
  EXPECT_EQ(store_.RemoveRecord(2), 0);
  EXPECT_FALSE(FileExists());
}

TEST_F(RecordStoreTest, FindRecordLooksUpByCode) {
  store_.UpsertRecord(Record(0x70039, 1, L"caps"));
  store_.UpsertRecord(Record(0x7003A, 3, L"f1"));
  const auto records = store_.Snapshot();
  const KeyRecord* found = model::FindRecord(*records, 0x7003A);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->group, L"f1");
  EXPECT_EQ(model::FindRecord(*records, 0x7003B), nullptr);
}

TEST(RecordStoreInstanceTest, IsOneEmptyStore) {
  RecordStore& first = RecordStore::Instance();
  EXPECT_EQ(&first, &RecordStore::Instance());
  EXPECT_TRUE(first.Snapshot()->empty());
}

}  // namespace
