#include "platform/linux/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>

namespace platform::linux_backend {

namespace {

enum class ItemType { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : std::uint8_t { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };
enum GlobalTag : std::uint8_t { kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB };
enum LocalTag : std::uint8_t { kUsage = 0x0, kUsageMinimum = 0x1 };

constexpr std::uint8_t kLongItemPrefix = 0xFE;

struct Globals {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

// Bits of each report (by report ID) of one kind, inside one top-level collection.
using ReportBits = std::map<std::uint8_t, std::uint64_t>;

struct CollectionBuilder {
  TopLevelCollection collection;
  std::array<ReportBits, 3> bits;  // input, output, feature
};

std::uint16_t ByteLength(const ReportBits& reports) {
  std::uint64_t longest = 0;
  for (const auto& [id, bits] : reports) longest = std::max(longest, bits);
  if (reports.empty()) return 0;
  const std::uint64_t bytes = (longest + 7) / 8 + 1;  // + the report-ID byte
  return static_cast<std::uint16_t>(std::min<std::uint64_t>(bytes, 0xFFFF));
}

}  // namespace

std::optional<std::vector<TopLevelCollection>> ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  std::vector<TopLevelCollection> result;
  std::vector<Globals> globalStack;
  Globals globals;
  // Local usage of the next main item (page in the high half when given). A flag and a value
  // rather than std::optional: gcc 12 at -O2 warns that the optional may be read uninitialized.
  bool haveFirstUsage = false;
  std::uint32_t firstUsage = 0;
  int depth = 0;
  std::optional<CollectionBuilder> current;

  std::size_t at = 0;
  while (at < descriptor.size()) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItemPrefix) {
      if (at + 2 >= descriptor.size()) return std::nullopt;
      const std::size_t dataSize = descriptor[at + 1];
      at += 3 + dataSize;
      if (at > descriptor.size()) return std::nullopt;
      continue;
    }
    const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (at + 1 + size > descriptor.size()) return std::nullopt;
    std::uint32_t data = 0;
    for (std::size_t i = 0; i < size; ++i) data |= static_cast<std::uint32_t>(descriptor[at + 1 + i]) << (8 * i);
    const auto type = static_cast<ItemType>((prefix >> 2) & 3);
    const std::uint8_t tag = prefix >> 4;
    at += 1 + size;

    switch (type) {
      case ItemType::kGlobal:
        switch (tag) {
          case kUsagePage: globals.usagePage = data; break;
          case kReportSize: globals.reportSize = data; break;
          case kReportCount: globals.reportCount = data; break;
          case kReportId: globals.reportId = static_cast<std::uint8_t>(data); break;
          case kPush: globalStack.push_back(globals); break;
          case kPop:
            if (globalStack.empty()) return std::nullopt;
            globals = globalStack.back();
            globalStack.pop_back();
            break;
          default: break;
        }
        break;
      case ItemType::kLocal:
        if ((tag == kUsage || tag == kUsageMinimum) && !haveFirstUsage) {
          firstUsage = size == 4 ? data : ((globals.usagePage & 0xFFFF) << 16) | (data & 0xFFFF);
          haveFirstUsage = true;
        }
        break;
      case ItemType::kMain: {
        if (tag == kCollection) {
          if (depth == 0) {
            current.emplace();
            const std::uint32_t usage = haveFirstUsage ? firstUsage : (globals.usagePage & 0xFFFF) << 16;
            current->collection.usagePage = static_cast<std::uint16_t>(usage >> 16);
            current->collection.usage = static_cast<std::uint16_t>(usage);
          }
          ++depth;
        } else if (tag == kEndCollection) {
          if (depth == 0) return std::nullopt;
          if (--depth == 0) {
            TopLevelCollection done = std::move(current->collection);
            done.inputReportByteLength = ByteLength(current->bits[0]);
            done.outputReportByteLength = ByteLength(current->bits[1]);
            done.featureReportByteLength = ByteLength(current->bits[2]);
            result.push_back(std::move(done));
            current.reset();
          }
        } else if (tag == kInput || tag == kOutput || tag == kFeature) {
          // Report items outside every collection belong to no top-level collection.
          if (current) {
            const int kind = tag == kInput ? 0 : tag == kOutput ? 1 : 2;
            current->bits[kind][globals.reportId] +=
                static_cast<std::uint64_t>(globals.reportSize) * globals.reportCount;
            auto& ids = current->collection.reportIds;
            if (globals.reportId != 0 && std::find(ids.begin(), ids.end(), globals.reportId) == ids.end()) {
              ids.insert(std::upper_bound(ids.begin(), ids.end(), globals.reportId), globals.reportId);
            }
          }
        }
        haveFirstUsage = false;  // local items apply to one main item only
        break;
      }
      case ItemType::kReserved:
        break;
    }
  }
  if (depth != 0) return std::nullopt;
  return result;
}

}  // namespace platform::linux_backend
