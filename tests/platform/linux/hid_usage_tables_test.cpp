#include "platform/linux/hid_usage_tables.h"

#include <linux/input-event-codes.h>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace platform::linux_backend {
namespace {

TEST(HidUsageTables, KeyboardPageFollowsTheKernelTable) {
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x04}), KEY_A);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x1E}), KEY_1);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x28}), KEY_ENTER);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x31}), KEY_BACKSLASH);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x32}), KEY_BACKSLASH);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x39}), KEY_CAPSLOCK);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x45}), KEY_F12);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x46}), KEY_SYSRQ);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x52}), KEY_UP);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x64}), KEY_102ND);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x65}), KEY_COMPOSE);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x73}), KEY_F24);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0x87}), KEY_RO);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0xE0}), KEY_LEFTCTRL);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0xE1}), KEY_LEFTSHIFT);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0xE7}), KEY_RIGHTMETA);
  EXPECT_EQ(HidUsageToEvdev({0x07, 0xE8}), KEY_PLAYPAUSE);
  EXPECT_FALSE(HidUsageToEvdev({0x07, 0x00}));
  EXPECT_FALSE(HidUsageToEvdev({0x07, 0x03}));
  EXPECT_FALSE(HidUsageToEvdev({0x07, 0xFF}));
  EXPECT_FALSE(HidUsageToEvdev({0x07, 0x104}));
}

TEST(HidUsageTables, ConsumerAndSystemPages) {
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0xE9}), KEY_VOLUMEUP);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0xEA}), KEY_VOLUMEDOWN);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0xE2}), KEY_MUTE);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0xCD}), KEY_PLAYPAUSE);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0xB5}), KEY_NEXTSONG);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0xB6}), KEY_PREVIOUSSONG);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0xB7}), KEY_STOPCD);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0x223}), KEY_HOMEPAGE);
  EXPECT_EQ(HidUsageToEvdev({0x0C, 0x192}), KEY_CALC);
  EXPECT_EQ(HidUsageToEvdev({0x01, 0x81}), KEY_POWER);
  EXPECT_EQ(HidUsageToEvdev({0x01, 0x82}), KEY_SLEEP);
  EXPECT_EQ(HidUsageToEvdev({0x01, 0x83}), KEY_WAKEUP);
  EXPECT_FALSE(HidUsageToEvdev({0x01, 0x30}));
  EXPECT_FALSE(HidUsageToEvdev({0x0C, 0x00}));
  EXPECT_FALSE(HidUsageToEvdev({0x09, 0x01}));
}

TEST(HidUsageTables, DuplicatesReverseByTheStatedRule) {
  EXPECT_EQ(EvdevToHidUsage(KEY_BACKSLASH), (HidUsage{0x07, 0x31}));  // not 0x32
  EXPECT_EQ(EvdevToHidUsage(KEY_DELETE), (HidUsage{0x07, 0x4C}));     // not 0x9C or 0xD8
  EXPECT_EQ(EvdevToHidUsage(KEY_MUTE), (HidUsage{0x07, 0x7F}));       // keyboard before consumer 0xE2
  EXPECT_EQ(EvdevToHidUsage(KEY_VOLUMEUP), (HidUsage{0x07, 0x80}));
  EXPECT_EQ(EvdevToHidUsage(KEY_PLAYPAUSE), (HidUsage{0x0C, 0xCD}));  // consumer before reserved 0xE8
  EXPECT_EQ(EvdevToHidUsage(KEY_NEXTSONG), (HidUsage{0x0C, 0xB5}));
  EXPECT_EQ(EvdevToHidUsage(KEY_POWER), (HidUsage{0x07, 0x66}));
  EXPECT_EQ(EvdevToHidUsage(KEY_SLEEP), (HidUsage{0x0C, 0x32}));      // consumer before system 0x82
  EXPECT_EQ(EvdevToHidUsage(KEY_WAKEUP), (HidUsage{0x01, 0x83}));
  EXPECT_EQ(EvdevToHidUsage(KEY_A), (HidUsage{0x07, 0x04}));
  EXPECT_FALSE(EvdevToHidUsage(BTN_LEFT));
  EXPECT_FALSE(EvdevToHidUsage(0));
}

// Group of a usage under the reverse rule: lower groups win, then the lower usage.
int RuleGroup(HidUsage usage) {
  if (usage.page == 0x07) return usage.usage < 0xE8 ? 0 : 3;
  return usage.page == 0x0C ? 1 : 2;
}

TEST(HidUsageTables, EveryMappedUsageRoundTripsToTheRulesChoice) {
  std::map<std::uint16_t, HidUsage> best;
  for (const auto& [usage, code] : AllHidKeyMappings()) {
    auto [at, inserted] = best.emplace(code, usage);
    const auto rank = [](HidUsage u) { return std::make_pair(RuleGroup(u), u.usage); };
    if (!inserted && rank(usage) < rank(at->second)) at->second = usage;
  }
  ASSERT_GT(best.size(), 150u);
  for (const auto& [usage, code] : AllHidKeyMappings()) {
    const std::optional<HidUsage> back = EvdevToHidUsage(code);
    ASSERT_TRUE(back) << "code " << code;
    EXPECT_EQ(*back, best.at(code)) << "code " << code;
    EXPECT_EQ(HidUsageToEvdev(*back), code) << "code " << code;  // the chosen usage maps to the same key
  }
}

TEST(HidUsageTables, KeyboardUsagesWithOneKeyAreInverses) {
  std::map<std::uint16_t, int> uses;
  for (const auto& [usage, code] : AllHidKeyMappings()) ++uses[code];
  int checked = 0;
  for (const auto& [usage, code] : AllHidKeyMappings()) {
    if (uses[code] != 1) continue;
    EXPECT_EQ(EvdevToHidUsage(code), usage);
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace platform::linux_backend
