#include "ui/toolkit/control_names.h"

#include <set>

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ControlNameTable, HoldsSixtyNineSortedPairsWithUniqueIds) {
  const auto table = ControlNameTable();
  ASSERT_EQ(table.size(), 69u);
  EXPECT_EQ(table.front().name, "_name_start");
  EXPECT_EQ(table.front().id, 65535);
  std::set<int> ids;
  for (size_t i = 0; i < table.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(table[i - 1].name, table[i].name);
    }
    EXPECT_LE(table[i].name.size(), 51u);
    EXPECT_TRUE(ids.insert(table[i].id).second) << table[i].name;
  }
}

TEST(ControlNameTable, LooksUpBothWays) {
  EXPECT_EQ(ControlIdForName("title"), 65536);
  EXPECT_EQ(ControlIdForName("img_keyboard"), 65539);
  EXPECT_EQ(ControlIdForName("version"), 65556);
  EXPECT_EQ(ControlIdForName("btnSwitch"), 65600);
  EXPECT_EQ(ControlIdForName("radio_loader_right_3"), 65553);
  EXPECT_FALSE(ControlIdForName("btn_close").has_value());
  EXPECT_FALSE(ControlIdForName("Title").has_value());
  EXPECT_EQ(ControlNameForId(65537), "btn_more");
  EXPECT_EQ(ControlNameForId(65603), "button3rd");
  EXPECT_FALSE(ControlNameForId(1).has_value());
}

}  // namespace
}  // namespace ui
