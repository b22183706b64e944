#include "platform/win32/merged_collections.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace platform::win32 {
namespace {

// Wine 8's nodes of an interface with a consumer control, the vendor collection (holding a
// logical collection of its own) and a system control: every later top-level collection is a
// child of the first.
TEST(MergedCollections, TopLevelCollectionsAreTheFirstNodeAndItsApplicationChildren) {
  const std::vector<LinkCollection> merged = {
      {0x000C, 0x01, 0, 1}, {0xFF00, 0x01, 0, 1}, {0xFF00, 0x05, 1, 2}, {0x0001, 0x80, 0, 1}};
  const std::vector<TopCollection> top = MergedTopCollections(merged);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0].usagePage, 0x000C);
  EXPECT_EQ(top[1].usagePage, 0xFF00);
  EXPECT_EQ(top[1].usage, 0x01);
  EXPECT_EQ(top[2].usage, 0x80);

  // One collection, or one with physical and logical collections inside: nothing to split.
  EXPECT_TRUE(MergedTopCollections(std::vector<LinkCollection>{{0x0001, 0x06, 0, 1}}).empty());
  EXPECT_TRUE(MergedTopCollections(std::vector<LinkCollection>{{0x0001, 0x02, 0, 1}, {0x0001, 0x01, 0, 0}}).empty());
  EXPECT_TRUE(MergedTopCollections({}).empty());
}

TEST(MergedCollections, CollectionNamesGoAfterTheIdsAsWindowsWritesThem) {
  const struct {
    const wchar_t* path;
    int number;
    std::optional<std::wstring> expected;  // nothing: no name
  } cases[] = {
      {L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", 2,
       L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col02#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}"},
      {L"\\\\?\\HID#VID_845E&PID_0002#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}", 10,
       L"\\\\?\\HID#VID_845E&PID_0002&col0a#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}"},
      {L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01#x", 0, std::nullopt},
      {L"\\\\?\\usb#vid_1a2b&pid_0c3d#x#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", 1, std::nullopt},
      {L"\\\\?\\hid#vid_1a2b&pid_0c3d", 1, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(PathWithCollection(c.path, c.number), c.expected) << c.number;
  const std::pair<const wchar_t*, bool> hasNone[] = {
      {L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01#7&1&0&0001#{x}", true},
      {L"\\\\?\\HID#VID_1A2B&PID_0C3D&MI_01&COL02#7&1&0&0001#{x}", false},
      {L"\\\\?\\hid#vid_1a2b&pid_0c3d#&col01#{x}", true},  // "col" in the instance part is not of the ids
      {L"\\\\?\\usb#vid_1a2b&pid_0c3d#x#{x}", false},
  };
  for (const auto& [path, expected] : hasNone) EXPECT_EQ(PathHasNoCollection(path), expected) << path;
}

}  // namespace
}  // namespace platform::win32
