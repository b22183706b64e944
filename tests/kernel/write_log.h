#pragma once
// The log that device-mapper's log-writes target keeps of every write to a device, in the order the
// writes reached the disk (a write is logged once a flush after it has completed, a FUA write once
// it has completed), and the disk images a power cut could leave at any point of it.
//
// Log format (drivers/md/dm-log-writes.c): sector 0 holds the super (magic, version, number of
// entries, sector size); each entry is one sector of header (sector, number of sectors, flags,
// length of inline data) followed by the data written, except for discards, flushes and marks.
// Sectors are of the logged device's sector size.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace kbtest {

struct LoggedWrite {
  static constexpr std::uint64_t kFlush = 1 << 0;
  static constexpr std::uint64_t kFua = 1 << 1;
  static constexpr std::uint64_t kDiscard = 1 << 2;
  static constexpr std::uint64_t kMark = 1 << 3;

  std::uint64_t flags = 0;
  std::uint64_t offset = 0;              // bytes into the device
  std::span<const std::uint8_t> data;    // nothing for flushes, marks and discards

  bool Has(std::uint64_t flag) const { return (flags & flag) != 0; }
  bool WritesData() const { return !data.empty() && !Has(kDiscard) && !Has(kMark); }
};

struct WriteLog {
  std::uint32_t sectorSize = 0;
  std::vector<LoggedWrite> entries;  // data points into the parsed bytes
};

// Nothing, with the reason in `error`, when the bytes are not a whole log.
std::optional<WriteLog> ParseWriteLog(std::span<const std::uint8_t> log, std::string& error);

// Images after a power cut: every write logged before the last flush is on the disk, and so is a
// FUA write once logged; each write logged since the last flush (still in the disk's cache) is on
// the disk or lost, chosen at random.
class PowerCutImages {
 public:
  PowerCutImages(std::vector<std::uint8_t> base, const WriteLog& log) : durable_(std::move(base)), log_(log) {}

  // The image of a cut right after the first `entries` entries of the log. Calls go forward
  // (`entries` never less than before). Nothing, with the reason in `error`, when a write falls
  // outside the image.
  std::optional<std::vector<std::uint8_t>> After(std::size_t entries, std::mt19937& random, std::string& error);
  // How many writes of the last image were in the cache, and how many of them it kept.
  std::size_t CachedWrites() const { return cached_.size(); }
  std::size_t CachedWritesKept() const { return cachedKept_; }

 private:
  bool Apply(std::vector<std::uint8_t>& image, const LoggedWrite& write, std::string& error) const;

  std::vector<std::uint8_t> durable_;
  const WriteLog& log_;
  std::size_t next_ = 0;             // entries taken into durable_ / cached_
  std::vector<std::size_t> cached_;  // entries logged since the last flush
  std::size_t cachedKept_ = 0;
};

}  // namespace kbtest
