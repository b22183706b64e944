// Readers on another thread see whole record lists while the store changes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "model/records/record_store.h"
#include "support/logger.h"
#include "printers.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::KeyCode;
using model::KeyRecord;
using model::RecordStore;

// A record whose fields all follow from `generation`, so a reader can tell a torn one.
KeyRecord Generation(KeyCode code, int generation) {
  KeyRecord record{code, 0, generation, 2, generation, L"key", std::to_wstring(generation), {}};
  for (int i = 0; i < generation % 7 + 1; ++i) record.steps.push_back({code, i % 2, generation, L"step"});
  return record;
}

bool Consistent(const KeyRecord& record) {
  if (record.group != std::to_wstring(record.repeat) || record.target != record.repeat) return false;
  if (record.steps.size() != static_cast<std::size_t>(record.repeat % 7 + 1)) return false;
  for (const auto& step : record.steps) {
    if (step.delay != record.repeat || step.code != record.code) return false;
  }
  return true;
}

class RecordSnapshotTest : public testsupport::TempFolderTest {};

TEST_F(RecordSnapshotTest, AHeldSnapshotKeepsTheOldListWhileTheStoreChanges) {
  RecordStore store;
  store.Load(File("record.xml"));
  store.UpsertRecord(Generation(1, 1));
  store.UpsertRecord(Generation(2, 1));
  const auto before = store.Snapshot();

  store.UpsertRecord(Generation(1, 2));
  store.RemoveRecord(2);
  store.UpsertRecord(Generation(3, 1));
  EXPECT_EQ(*before, (std::vector<KeyRecord>{Generation(1, 1), Generation(2, 1)}));
  EXPECT_EQ(*store.Snapshot(), (std::vector<KeyRecord>{Generation(1, 2), Generation(3, 1)}));

  const auto beforeClear = store.Snapshot();
  store.ClearRecords();
  EXPECT_EQ(beforeClear->size(), 2u);
  EXPECT_TRUE(store.Snapshot()->empty());
}

TEST_F(RecordSnapshotTest, ConcurrentReadersNeverSeeAHalfChangedRecord) {
  RecordStore store;
  // Never loaded: the appends' saves fail (logged, captured here); only the lists matter.
  support::ScopedLogCapture log;
  store.UpsertRecord(Generation(0x7003A, 0));
  store.UpsertRecord(Generation(0x7003B, 0));

  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::atomic<long> reads{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r) {
    readers.emplace_back([&] {
      do {
        const auto records = store.Snapshot();
        for (const KeyRecord& record : *records) {
          if (!Consistent(record)) torn.fetch_add(1);
        }
        if (model::FindRecord(*records, 0x7003A) == nullptr) torn.fetch_add(1);  // never removed
        reads.fetch_add(1);
      } while (!done.load());
    });
  }
  for (int generation = 1; generation <= 2000; ++generation) {
    store.UpsertRecord(Generation(0x7003A, generation));
    if (generation % 3 == 0) store.RemoveRecord(0x7003B);
    else store.UpsertRecord(Generation(0x7003B, generation));
  }
  done.store(true);
  for (auto& reader : readers) reader.join();

  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(store.Snapshot()->at(0), Generation(0x7003A, 2000));
}

}  // namespace
