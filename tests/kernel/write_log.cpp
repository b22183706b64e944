#include "write_log.h"

#include <algorithm>
#include <cstring>

namespace kbtest {

namespace {

constexpr std::uint64_t kMagic = 0x6a736677736872ULL;
constexpr std::uint64_t kVersion = 1;
constexpr std::size_t kSuperBytes = 28;   // magic, version, entries (8 bytes each), sector size (4)

std::uint64_t Le64(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

}  // namespace

std::optional<WriteLog> ParseWriteLog(std::span<const std::uint8_t> log, std::string& error) {
  if (log.size() < kSuperBytes || Le64(log, 0) != kMagic || Le64(log, 8) != kVersion) {
    error = "no log-writes super at the start";
    return std::nullopt;
  }
  const std::uint64_t count = Le64(log, 16);
  WriteLog parsed;
  parsed.sectorSize = static_cast<std::uint32_t>(Le64(log, 24) & 0xFFFFFFFFu);
  if (parsed.sectorSize < 512 || (parsed.sectorSize & (parsed.sectorSize - 1)) != 0) {
    error = "sector size " + std::to_string(parsed.sectorSize);
    return std::nullopt;
  }
  std::size_t at = parsed.sectorSize;
  for (std::uint64_t index = 0; index < count; ++index) {
    if (log.size() - std::min(at, log.size()) < parsed.sectorSize) {
      error = "entry " + std::to_string(index) + " of " + std::to_string(count) + " lies past the log's end";
      return std::nullopt;
    }
    LoggedWrite entry;
    const std::uint64_t sector = Le64(log, at);
    const std::uint64_t sectors = Le64(log, at + 8);
    entry.flags = Le64(log, at + 16);
    at += parsed.sectorSize;
    entry.offset = sector * parsed.sectorSize;
    if (!entry.Has(LoggedWrite::kDiscard) && !entry.Has(LoggedWrite::kMark) && sectors > 0) {
      const std::uint64_t bytes = sectors * parsed.sectorSize;
      if (bytes / parsed.sectorSize != sectors || bytes > log.size() - at) {
        error = "the data of entry " + std::to_string(index) + " lies past the log's end";
        return std::nullopt;
      }
      entry.data = log.subspan(at, static_cast<std::size_t>(bytes));
      at += static_cast<std::size_t>(bytes);
    }
    parsed.entries.push_back(entry);
  }
  return parsed;
}

bool PowerCutImages::Apply(std::vector<std::uint8_t>& image, const LoggedWrite& write, std::string& error) const {
  if (write.offset > image.size() || write.data.size() > image.size() - write.offset) {
    error = "a write at byte " + std::to_string(write.offset) + " falls outside the " + std::to_string(image.size()) +
            "-byte image";
    return false;
  }
  std::memcpy(image.data() + write.offset, write.data.data(), write.data.size());
  return true;
}

std::optional<std::vector<std::uint8_t>> PowerCutImages::After(std::size_t entries, std::mt19937& random,
                                                               std::string& error) {
  entries = std::min(entries, log_.entries.size());
  for (; next_ < entries; ++next_) {
    const LoggedWrite& entry = log_.entries[next_];
    if (entry.Has(LoggedWrite::kFlush)) {
      // Everything logged before a completed flush is on the disk.
      for (std::size_t cached : cached_) {
        if (!Apply(durable_, log_.entries[cached], error)) return std::nullopt;
      }
      cached_.clear();
    }
    if (!entry.WritesData()) continue;
    if (entry.Has(LoggedWrite::kFua)) {
      if (!Apply(durable_, entry, error)) return std::nullopt;
      // A cached write of the same sectors is older: the cache never writes it over this one.
      std::erase_if(cached_, [&](std::size_t cached) {
        const LoggedWrite& other = log_.entries[cached];
        return other.offset < entry.offset + entry.data.size() && entry.offset < other.offset + other.data.size();
      });
    } else {
      cached_.push_back(next_);
    }
  }
  std::vector<std::uint8_t> image = durable_;
  std::bernoulli_distribution reachedTheDisk(0.5);
  cachedKept_ = 0;
  for (std::size_t cached : cached_) {
    if (!reachedTheDisk(random)) continue;
    if (!Apply(image, log_.entries[cached], error)) return std::nullopt;
    ++cachedKept_;
  }
  return image;
}

}  // namespace kbtest
