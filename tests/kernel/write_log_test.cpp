// The power-cut test's reading of device-mapper's write log, and the disk images it makes of it
// (runs on the host, label unit; the kernel suite runs it against the kernel's own log).
#include "write_log.h"

#include <gtest/gtest.h>

#include <set>

namespace kbtest {
namespace {

constexpr std::size_t kSector = 512;

void PutLe64(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A log as the kernel writes it: the super in sector 0, then each entry's header sector and data.
class LogBuilder {
 public:
  LogBuilder() : bytes_(kSector, 0) {}

  LogBuilder& Write(std::uint64_t sector, std::uint8_t fill, std::uint64_t flags = 0, std::uint64_t sectors = 1) {
    Header(sector, sectors, flags, 0);
    bytes_.resize(bytes_.size() + sectors * kSector, fill);
    return *this;
  }
  LogBuilder& Flush() {
    Header(0, 0, LoggedWrite::kFlush, 0);
    return *this;
  }
  LogBuilder& Mark(const std::string& text) {
    const std::size_t at = Header(0, 0, LoggedWrite::kMark, text.size());
    std::copy(text.begin(), text.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at + 32));
    return *this;
  }
  LogBuilder& Discard(std::uint64_t sector, std::uint64_t sectors) {
    Header(sector, sectors, LoggedWrite::kDiscard, 0);  // no data follows a discard
    return *this;
  }

  std::vector<std::uint8_t> Bytes(std::uint64_t magic = 0x6a736677736872ULL) const {
    std::vector<std::uint8_t> log = bytes_;
    PutLe64(log, 0, magic);
    PutLe64(log, 8, 1);
    PutLe64(log, 16, entries_);
    log[24] = kSector & 0xFF;
    log[25] = kSector >> 8;
    return log;
  }

 private:
  std::size_t Header(std::uint64_t sector, std::uint64_t sectors, std::uint64_t flags, std::uint64_t dataLength) {
    const std::size_t at = bytes_.size();
    bytes_.resize(at + kSector, 0);
    PutLe64(bytes_, at, sector);
    PutLe64(bytes_, at + 8, sectors);
    PutLe64(bytes_, at + 16, flags);
    PutLe64(bytes_, at + 24, dataLength);
    ++entries_;
    return at;
  }

  std::vector<std::uint8_t> bytes_;
  std::uint64_t entries_ = 0;
};

TEST(WriteLog, EntriesAreReadWithTheirFlagsOffsetsAndData) {
  const auto bytes =
      LogBuilder().Write(2, 0xA1).Flush().Write(4, 0xB2, LoggedWrite::kFua, 2).Mark("end").Discard(6, 8).Bytes();
  std::string error;
  const auto log = ParseWriteLog(bytes, error);
  ASSERT_TRUE(log) << error;
  EXPECT_EQ(log->sectorSize, kSector);
  ASSERT_EQ(log->entries.size(), 5u);

  EXPECT_EQ(log->entries[0].offset, 2 * kSector);
  ASSERT_EQ(log->entries[0].data.size(), kSector);
  EXPECT_EQ(log->entries[0].data.data(), bytes.data() + 2 * kSector);  // after the super and its header
  EXPECT_EQ(log->entries[0].data[0], 0xA1);
  EXPECT_TRUE(log->entries[0].WritesData());

  EXPECT_TRUE(log->entries[1].Has(LoggedWrite::kFlush));
  EXPECT_FALSE(log->entries[1].WritesData());

  EXPECT_TRUE(log->entries[2].Has(LoggedWrite::kFua));
  EXPECT_EQ(log->entries[2].offset, 4 * kSector);
  ASSERT_EQ(log->entries[2].data.size(), 2 * kSector);
  EXPECT_EQ(log->entries[2].data.back(), 0xB2);

  EXPECT_TRUE(log->entries[3].Has(LoggedWrite::kMark));
  EXPECT_FALSE(log->entries[3].WritesData());
  EXPECT_TRUE(log->entries[4].Has(LoggedWrite::kDiscard));
  EXPECT_FALSE(log->entries[4].WritesData());
}

TEST(WriteLog, ALogThatIsNotWholeIsRefusedWithItsReason) {
  std::string error;
  EXPECT_FALSE(ParseWriteLog(LogBuilder().Write(0, 1).Bytes(0x1234), error));
  EXPECT_EQ(error, "no log-writes super at the start");

  auto cutShort = LogBuilder().Write(0, 1).Write(1, 2).Bytes();
  cutShort.resize(cutShort.size() - 1);  // the last entry's data is short by a byte
  EXPECT_FALSE(ParseWriteLog(cutShort, error));
  EXPECT_EQ(error, "the data of entry 1 lies past the log's end");

  auto missingEntry = LogBuilder().Write(0, 1).Bytes();
  PutLe64(missingEntry, 16, 2);  // the super counts one entry more than there is
  EXPECT_FALSE(ParseWriteLog(missingEntry, error));
  EXPECT_EQ(error, "entry 1 of 2 lies past the log's end");
}

class PowerCutImagesTest : public ::testing::Test {
 protected:
  void Parse(const LogBuilder& builder) {
    bytes_ = builder.Bytes();
    std::string error;
    auto parsed = ParseWriteLog(bytes_, error);
    ASSERT_TRUE(parsed) << error;
    log_ = std::move(*parsed);
  }
  // Which first bytes the sector shows over many cuts after `entries` entries (a fresh model each
  // time, so every cut draws its cache anew).
  std::set<std::uint8_t> SeenAt(std::size_t entries, std::uint64_t sector) {
    std::set<std::uint8_t> seen;
    std::mt19937 random(7);
    for (int draw = 0; draw < 64; ++draw) {
      PowerCutImages images(std::vector<std::uint8_t>(8 * kSector, 0), log_);
      std::string error;
      const auto image = images.After(entries, random, error);
      EXPECT_TRUE(image) << error;
      if (image) seen.insert((*image)[sector * kSector]);
    }
    return seen;
  }

  std::vector<std::uint8_t> bytes_;
  WriteLog log_;
};

TEST_F(PowerCutImagesTest, WritesBeforeAFlushSurviveAndLaterOnesMayBeLost) {
  ASSERT_NO_FATAL_FAILURE(Parse(LogBuilder().Write(0, 'a').Flush().Write(1, 'b').Write(0, 'd')));
  EXPECT_EQ(SeenAt(1, 0), (std::set<std::uint8_t>{0, 'a'}));    // not flushed yet: kept or lost
  EXPECT_EQ(SeenAt(2, 0), (std::set<std::uint8_t>{'a'}));       // flushed
  EXPECT_EQ(SeenAt(4, 1), (std::set<std::uint8_t>{0, 'b'}));
  EXPECT_EQ(SeenAt(4, 0), (std::set<std::uint8_t>{'a', 'd'}));  // the flushed version or the newer one
}

TEST_F(PowerCutImagesTest, AFuaWriteSurvivesWithoutAFlushAndNoOlderCachedWriteCoversIt) {
  ASSERT_NO_FATAL_FAILURE(Parse(LogBuilder().Write(3, 'e').Write(3, 'f', LoggedWrite::kFua).Write(5, 'g', 0, 2)));
  EXPECT_EQ(SeenAt(2, 3), (std::set<std::uint8_t>{'f'}));
  EXPECT_EQ(SeenAt(3, 3), (std::set<std::uint8_t>{'f'}));
  EXPECT_EQ(SeenAt(3, 6), (std::set<std::uint8_t>{0, 'g'}));  // the second sector of a two-sector write
}

TEST_F(PowerCutImagesTest, CutsGoForwardAndCountTheCachedWrites) {
  ASSERT_NO_FATAL_FAILURE(Parse(LogBuilder().Write(0, 'a').Write(1, 'b').Flush().Write(2, 'c')));
  PowerCutImages images(std::vector<std::uint8_t>(8 * kSector, 0), log_);
  std::mt19937 random(3);
  std::string error;
  ASSERT_TRUE(images.After(2, random, error));
  EXPECT_EQ(images.CachedWrites(), 2u);
  const auto flushed = images.After(3, random, error);
  ASSERT_TRUE(flushed);
  EXPECT_EQ(images.CachedWrites(), 0u);
  EXPECT_EQ((*flushed)[0], 'a');
  EXPECT_EQ((*flushed)[kSector], 'b');
  ASSERT_TRUE(images.After(100, random, error));  // past the end: the whole log
  EXPECT_EQ(images.CachedWrites(), 1u);
  EXPECT_LE(images.CachedWritesKept(), 1u);
}

TEST_F(PowerCutImagesTest, AWriteOutsideTheImageIsAnError) {
  ASSERT_NO_FATAL_FAILURE(Parse(LogBuilder().Write(8, 'x', LoggedWrite::kFua)));
  PowerCutImages images(std::vector<std::uint8_t>(8 * kSector, 0), log_);
  std::mt19937 random(1);
  std::string error;
  EXPECT_FALSE(images.After(1, random, error));
  EXPECT_EQ(error, "a write at byte 4096 falls outside the 4096-byte image");
}

}  // namespace
}  // namespace kbtest
