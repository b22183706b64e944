#pragma once
// Interfaces whose top-level collections the HID class hands out as one device (Wine 8: one
// device per hidraw node, its preparsed data holding every collection of the node's descriptor,
// the later ones as children of the first). Windows gives each top-level collection a device of
// its own, named "...&colNN" (NN from 01, in hexadecimal); the backend lists such a merged device
// the same way, so the device path parser and the selector rules work as on Windows.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::win32 {

// One link collection node as HidP_GetLinkCollectionNodes gives it.
struct LinkCollection {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  std::uint16_t parent = 0;
  std::uint8_t type = 0;  // 1: application collection
};

struct TopCollection {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
};

// The top-level collections a merged device holds, in descriptor order: node 0 and the
// application collections whose parent is node 0. Fewer than two: nothing to split.
std::vector<TopCollection> MergedTopCollections(std::span<const LinkCollection> nodes);

// True when the path names no collection (no "&col" in its id part).
bool PathHasNoCollection(std::wstring_view path);
// `path` with "&colNN" (number 1 to 255, two hexadecimal digits) after its vid/pid/mi ids, or
// nothing when the path is not an interface path of the HID class.
std::optional<std::wstring> PathWithCollection(std::wstring_view path, int number);

}  // namespace platform::win32
