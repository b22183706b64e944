#pragma once
// Reads a HID report descriptor the way the Windows HID parser presents it: one entry per
// top-level collection with its usage and the byte lengths of its input, output and feature
// reports (the longest report of each kind, plus the report-ID byte that every buffer begins with).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::linux_backend {

struct TopLevelCollection {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  std::uint16_t inputReportByteLength = 0;
  std::uint16_t outputReportByteLength = 0;
  std::uint16_t featureReportByteLength = 0;
  std::vector<std::uint8_t> reportIds;  // report IDs declared inside it, ascending (empty: unnumbered)
};

// The top-level collections in descriptor order. Nothing when the descriptor is malformed (an item
// runs past the end, an end-collection without its collection, a collection left open).
std::optional<std::vector<TopLevelCollection>> ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace platform::linux_backend
