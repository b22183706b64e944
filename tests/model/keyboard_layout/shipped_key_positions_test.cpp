// Checks the key-position file shipped in the resource package for the full-size keyboard.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "model/keyboard_layout/key_position_file.h"

namespace model {
namespace {

std::vector<KeySpot> ShippedKeys() {
  return LoadKeyPositions(std::filesystem::path(KBCONFIG_UIRES_DIR) / "keyboard" / "keyboard_positions.xml");
}

TEST(ShippedKeyPositions, FullSizeKeyboardWithUniqueKeyboardPageUsages) {
  const auto keys = ShippedKeys();
  ASSERT_EQ(keys.size(), 104u);
  std::set<int32_t> ids;
  for (const KeySpot& key : keys) {
    EXPECT_EQ(key.va, 7);
    EXPECT_GT(key.id, 0);
    EXPECT_LE(key.id, 0xE7);
    EXPECT_FALSE(key.name.empty());
    // Every cap carries its legend, except the space bar.
    EXPECT_EQ(key.legend.empty(), key.id == 0x2C) << "usage " << key.id;
    EXPECT_GT(key.rect.Width(), 0);
    EXPECT_GT(key.rect.Height(), 0);
    EXPECT_TRUE(ids.insert(key.id).second) << "duplicate usage " << key.id;
  }
}

TEST(ShippedKeyPositions, WellKnownKeysCarryTheirUsages) {
  std::map<std::wstring, int32_t> byName;
  for (const KeySpot& key : ShippedKeys()) byName[key.name] = key.id;
  EXPECT_EQ(byName[L"A"], 0x04);
  EXPECT_EQ(byName[L"Z"], 0x1D);
  EXPECT_EQ(byName[L"1"], 0x1E);
  EXPECT_EQ(byName[L"0"], 0x27);
  EXPECT_EQ(byName[L"Return"], 0x28);
  EXPECT_EQ(byName[L"Escape"], 0x29);
  EXPECT_EQ(byName[L"Space"], 0x2C);
  EXPECT_EQ(byName[L"Caps Lock"], 0x39);
  EXPECT_EQ(byName[L"F1"], 0x3A);
  EXPECT_EQ(byName[L"F12"], 0x45);
  EXPECT_EQ(byName[L"Num Lock"], 0x53);
  EXPECT_EQ(byName[L"Keypad Enter"], 0x58);
  EXPECT_EQ(byName[L"Keypad 0"], 0x62);
  EXPECT_EQ(byName[L"App"], 0x65);
  EXPECT_EQ(byName[L"Left Control"], 0xE0);
  EXPECT_EQ(byName[L"Left Shift"], 0xE1);
  EXPECT_EQ(byName[L"Right GUI"], 0xE7);
}

TEST(ShippedKeyPositions, KeysDoNotOverlap) {
  const auto keys = ShippedKeys();
  for (size_t a = 0; a < keys.size(); ++a) {
    for (size_t b = a + 1; b < keys.size(); ++b) {
      const KeyRect& p = keys[a].rect;
      const KeyRect& q = keys[b].rect;
      const bool overlap = p.left < q.right && q.left < p.right && p.top < q.bottom && q.top < p.bottom;
      EXPECT_FALSE(overlap) << a << " and " << b;
    }
  }
}

}  // namespace
}  // namespace model
