#include <gtest/gtest.h>

#include <vector>

#include "hostdrv/key_event.h"

namespace HidUsbFilter {
namespace {

TEST(CaptureTable, WritesLowBytesOfUsageAndPageWithFlagTwo) {
  const std::vector<KeyCode> keys = {0x000C00E9, 0x000C0223, 0x00070004};
  const CaptureTable table = BuildCaptureTable(keys);

  const std::vector<std::uint8_t> head(table.begin(), table.begin() + 12);
  EXPECT_EQ(head, (std::vector<std::uint8_t>{0xE9, 0x00, 0x0C, 0x02,    // Volume Up
                                             0x23, 0x00, 0x0C, 0x02,    // WWW Home: only the low byte
                                             0x04, 0x00, 0x07, 0x02}));  // A
  for (std::size_t at = 12; at < table.size(); ++at) ASSERT_EQ(table[at], 0) << "byte " << at;
}

TEST(CaptureTable, KeepsOnlyTheFirst256Keys) {
  std::vector<KeyCode> keys;
  for (std::uint32_t index = 0; index < 300; ++index) keys.push_back(model::MakeKeyCode(0x07, index & 0xFF));
  keys[255] = 0x000C00CD;
  const CaptureTable table = BuildCaptureTable(keys);

  EXPECT_EQ(table.size(), 1024u);
  // Every one of the 256 entries is filled; the last carries key 256, not a later one.
  for (std::size_t entry = 0; entry < 256; ++entry) ASSERT_EQ(table[entry * 4 + 3], 0x02) << "entry " << entry;
  EXPECT_EQ(table[255 * 4 + 0], 0xCD);
  EXPECT_EQ(table[255 * 4 + 2], 0x0C);
}

TEST(CaptureTable, EmptyListGivesAllZero) {
  const CaptureTable table = BuildCaptureTable({});
  for (std::uint8_t byte : table) ASSERT_EQ(byte, 0);
}

TEST(KeyEvent, DecodesLittleEndianUsagePageAndDownBit) {
  const KeyEvent event = KeyEvent::FromBytes({0x23, 0x02, 0x0C, 0xFF});
  EXPECT_EQ(event.usage, 0x0223);
  EXPECT_EQ(event.page, 0x0C);
  EXPECT_EQ(event.Down(), 1u);  // other flag bits ignored
  EXPECT_EQ(KeyEvent::FromBytes({0x04, 0x00, 0x07, 0xFE}).Down(), 0u);
}

TEST(KeyEvent, RecordsAreFourBytes) {
  EXPECT_EQ(sizeof(KeyEvent), 4u);
  EXPECT_EQ(sizeof(CaptureEntry), 4u);
}

}  // namespace
}  // namespace HidUsbFilter
