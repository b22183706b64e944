// The HID usage <-> Windows key table: pinned scan codes, extended flags and virtual keys, its
// agreement with the key catalogue's scan-code column, and the reverse rules for keys that stand
// for more than one usage.
#include "platform/win32/win_key_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/keys/key_catalogue.h"

namespace platform::win32 {
namespace {

struct Expected {
  std::uint16_t page;
  std::uint16_t usage;
  std::uint8_t scan;
  bool extended;
  std::uint8_t virtualKey;
};

const WinKey& KeyOf(std::uint16_t page, std::uint16_t usage) {
  const std::optional<WinKeyIndex> index = FindWinKey(page, usage);
  EXPECT_TRUE(index.has_value()) << std::hex << page << ":" << usage;
  return WinKeyAt(index.value_or(0));
}

std::vector<std::pair<std::uint16_t, std::uint16_t>> Usages(const UsageCandidates& candidates) {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> usages;
  for (std::uint8_t i = 0; i < candidates.count; ++i) {
    usages.emplace_back(WinKeyAt(candidates.keys[i]).page, WinKeyAt(candidates.keys[i]).usage);
  }
  return usages;
}

using UsageList = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

TEST(WinKeyTable, KeysArePinnedWithScanCodeExtendedFlagAndVirtualKey) {
  const Expected keys[] = {
      {0x07, 0x04, 0x1E, false, 'A'},  {0x07, 0x1D, 0x2C, false, 'Z'},  {0x07, 0x27, 0x0B, false, '0'},
      {0x07, 0x28, 0x1C, false, 0x0D}, {0x07, 0x2C, 0x39, false, 0x20}, {0x07, 0x31, 0x2B, false, 0xDC},
      {0x07, 0x39, 0x3A, false, 0x14}, {0x07, 0x44, 0x57, false, 0x7A}, {0x07, 0x46, 0x37, true, 0x2C},
      {0x07, 0x48, 0x45, false, 0x13}, {0x07, 0x49, 0x52, true, 0x2D},  {0x07, 0x4F, 0x4D, true, 0x27},
      {0x07, 0x52, 0x48, true, 0x26},  {0x07, 0x53, 0x45, true, 0x90},  {0x07, 0x54, 0x35, true, 0x6F},
      {0x07, 0x58, 0x1C, true, 0x0D},  {0x07, 0x59, 0x4F, false, 0x61}, {0x07, 0x63, 0x53, false, 0x6E},
      {0x07, 0x64, 0x56, false, 0xE2}, {0x07, 0x65, 0x5D, true, 0x5D},  {0x07, 0x73, 0x76, false, 0x87},
      {0x07, 0xE0, 0x1D, false, 0xA2}, {0x07, 0xE1, 0x2A, false, 0xA0}, {0x07, 0xE2, 0x38, false, 0xA4},
      {0x07, 0xE3, 0x5B, true, 0x5B},  {0x07, 0xE4, 0x1D, true, 0xA3},  {0x07, 0xE5, 0x36, false, 0xA1},
      {0x07, 0xE6, 0x38, true, 0xA5},  {0x07, 0xE7, 0x5C, true, 0x5C},  {0x07, 0x80, 0x30, true, 0xAF},
      {0x0C, 0xB5, 0x19, true, 0xB0},  {0x0C, 0xB6, 0x10, true, 0xB1},  {0x0C, 0xB7, 0x24, true, 0xB2},
      {0x0C, 0xCD, 0x22, true, 0xB3},  {0x0C, 0xE2, 0x20, true, 0xAD},  {0x0C, 0xE9, 0x30, true, 0xAF},
      {0x0C, 0xEA, 0x2E, true, 0xAE},  {0x0C, 0x18A, 0x6C, true, 0xB4}, {0x0C, 0x192, 0x21, true, 0xB7},
      {0x0C, 0x223, 0x32, true, 0xAC}, {0x0C, 0x224, 0x6A, true, 0xA6}, {0x0C, 0x22A, 0x66, true, 0xAB},
      {0x01, 0x82, 0x5F, true, 0x5F},
  };
  for (const Expected& expected : keys) {
    const WinKey& key = KeyOf(expected.page, expected.usage);
    EXPECT_EQ(key.scanCode, expected.scan) << std::hex << expected.page << ":" << expected.usage;
    EXPECT_EQ(key.extended, expected.extended) << std::hex << expected.page << ":" << expected.usage;
    EXPECT_EQ(key.virtualKey, expected.virtualKey) << std::hex << expected.page << ":" << expected.usage;
  }
  // Keypad digits follow Num Lock: Keypad 1 is VK_NUMPAD1 or VK_END.
  EXPECT_EQ(KeyOf(0x07, 0x59).source, VirtualKeySource::kKeypad);
  EXPECT_EQ(KeyOf(0x07, 0x59).numLockOffKey, 0x23);
  // Letters follow the layout, navigation keys do not.
  EXPECT_EQ(KeyOf(0x07, 0x04).source, VirtualKeySource::kLayout);
  EXPECT_EQ(KeyOf(0x07, 0x52).source, VirtualKeySource::kFixed);
  EXPECT_TRUE(KeyOf(0x07, 0xE6).IsModifier());
  EXPECT_FALSE(KeyOf(0x07, 0x65).IsModifier());
}

TEST(WinKeyTable, ScanCodesAgreeWithTheKeyCatalogueExceptWindowsOwnFormsOfPauseAndNumLock) {
  for (const model::KeyInfo& row : model::KeyCatalogue) {
    if (row.makeCode == model::kNoScanCode || row.makeCode > 0xE0FF) continue;
    if (row.page == 0x07 && row.usage < 0x04) continue;  // error codes, not keys
    const std::optional<WinKeyIndex> index = FindWinKey(row.page, row.usage);
    ASSERT_TRUE(index.has_value()) << std::hex << row.page << ":" << row.usage;
    const WinKey& key = WinKeyAt(*index);
    const std::uint32_t make = key.scanCode | (key.extended ? 0xE000u : 0u);
    if (row.page == 0x07 && row.usage == 0x48) {
      EXPECT_EQ(row.makeCode, 0xE046u);  // the catalogue has Ctrl+Pause's code; Windows reports 0x45
      EXPECT_EQ(make, 0x45u);
    } else if (row.page == 0x07 && row.usage == 0x53) {
      EXPECT_EQ(make, 0xE045u);  // Windows reports Num Lock extended
    } else {
      EXPECT_EQ(make, row.makeCode) << std::hex << row.page << ":" << row.usage;
    }
  }
}

TEST(WinKeyTable, EveryKeyIsFoundBackFromWhatWindowsReportsForIt) {
  for (WinKeyIndex index = 0; index < kWinKeyCount; ++index) {
    const WinKey& key = WinKeyAt(index);
    if (FindWinKey(key.page, key.usage) != index) continue;  // a second form of an earlier key
    const UsageCandidates byScan = UsagesOfKey(key.virtualKey, key.scanCode, key.extended);
    const UsageList usages = Usages(byScan);
    EXPECT_NE(std::find(usages.begin(), usages.end(), std::make_pair(key.page, key.usage)), usages.end())
        << std::hex << key.page << ":" << key.usage;
  }
}

TEST(WinKeyTable, KeysOfSeveralUsagesListTheBestFirst) {
  EXPECT_EQ(Usages(UsagesOfKey(0xDC, 0x2B, false)), (UsageList{{0x07, 0x31}, {0x07, 0x32}}));
  EXPECT_EQ(Usages(UsagesOfKey(0xAF, 0x30, true)), (UsageList{{0x0C, 0xE9}, {0x07, 0x80}}));
  EXPECT_EQ(Usages(UsagesOfKey(0xAD, 0x20, true)), (UsageList{{0x0C, 0xE2}, {0x07, 0x7F}}));
  EXPECT_EQ(Usages(UsagesOfKey(0x00, 0x5E, true)), (UsageList{{0x01, 0x81}, {0x07, 0x66}}));
  // The scan code decides, not the extended flag's absence: 0x30 alone is B.
  EXPECT_EQ(Usages(UsagesOfKey(0x00, 0x30, false)), (UsageList{{0x07, 0x05}}));
  // Ctrl+Pause and Alt+Print Screen are still Pause and Print Screen.
  EXPECT_EQ(Usages(UsagesOfKey(0x03, 0x46, true)), (UsageList{{0x07, 0x48}}));
  EXPECT_EQ(Usages(UsagesOfKey(0x2C, 0x54, false)), (UsageList{{0x07, 0x46}}));
  EXPECT_EQ(Usages(UsagesOfKey(0x91, 0x46, false)), (UsageList{{0x07, 0x47}}));  // Scroll Lock
  EXPECT_EQ(Usages(UsagesOfKey(0x13, 0x45, false)), (UsageList{{0x07, 0x48}}));
  EXPECT_EQ(Usages(UsagesOfKey(0x90, 0x45, true)), (UsageList{{0x07, 0x53}}));
}

TEST(WinKeyTable, WithoutAScanCodeTheVirtualKeyDecidesAsOnTheUsLayout) {
  EXPECT_EQ(Usages(UsagesOfKey('C', 0, false)), (UsageList{{0x07, 0x06}}));
  EXPECT_EQ(Usages(UsagesOfKey(0x0D, 0, false)), (UsageList{{0x07, 0x28}, {0x07, 0x58}}));
  EXPECT_EQ(Usages(UsagesOfKey(0x23, 0, false)), (UsageList{{0x07, 0x4D}, {0x07, 0x59}}));  // End, Keypad 1
  EXPECT_EQ(Usages(UsagesOfKey(0xB3, 0, false)), (UsageList{{0x0C, 0xCD}}));
  EXPECT_EQ(Usages(UsagesOfKey(0x2F, 0, false)), (UsageList{{0x07, 0x75}}));  // VK_HELP
}

TEST(WinKeyTable, KeysThatStandForNoUsageFindNothing) {
  EXPECT_TRUE(UsagesOfKey(0xA0, 0x2A, true).empty());   // the fake shift Windows adds to keypad keys
  EXPECT_TRUE(UsagesOfKey(0xA2, 0x21D, false).empty()); // the fake control of AltGr
  // VK_PACKET carries a character's UTF-16 unit where a scan code would be: no key, whatever it
  // is (space, '1', '9', 'A', the first half of an emoji).
  for (std::uint32_t unit : {0x20u, 0x31u, 0x39u, 0x41u, 0xD83Du}) {
    EXPECT_TRUE(UsagesOfKey(0xE7, unit, false).empty()) << std::hex << unit;
  }
  EXPECT_TRUE(UsagesOfKey(0x00, 0, false).empty());
  EXPECT_FALSE(FindWinKey(0x07, 0xA5).has_value());
  EXPECT_FALSE(FindWinKey(0x0C, 0xE5).has_value());     // Bass Boost: no Windows key
  EXPECT_FALSE(FindWinKey(0x09, 0x01).has_value());
  // Only the low 8 bits of a keyboard usage count, as in the virtual device's bitmap.
  EXPECT_EQ(FindWinKey(0x07, 0x104), FindWinKey(0x07, 0x04));
}

TEST(WinKeyTable, AVirtualKeyStandsForEachKeyThatMayHaveMadeIt) {
  using Forms = std::vector<KeyForm>;
  const auto list = [](const KeyForms& forms) { return Forms(forms.forms.begin(), forms.forms.begin() + forms.count); };
  // The second argument is the scan code the layout in use gives the virtual key.
  EXPECT_EQ(list(FormsOfVirtualKey(0x0D, 0x1C)), (Forms{{0x1C, false}, {0x1C, true}}));     // Enter, keypad Enter
  EXPECT_EQ(list(FormsOfVirtualKey(0x23, 0xE04F)), (Forms{{0x4F, true}, {0x4F, false}}));   // End, keypad 1
  EXPECT_EQ(list(FormsOfVirtualKey(0x2E, 0xE053)), (Forms{{0x53, true}, {0x53, false}}));   // Delete, keypad .
  EXPECT_EQ(list(FormsOfVirtualKey(0x13, 0xE11D)), (Forms{{0x45, false}}));                 // Pause, not 1D
  EXPECT_EQ(list(FormsOfVirtualKey(0x2C, 0xE037)), (Forms{{0x37, true}, {0x54, false}}));   // Print Screen
  EXPECT_EQ(list(FormsOfVirtualKey(0x61, 0x4F)), (Forms{{0x4F, false}}));                   // VK_NUMPAD1
  // A layout key is where the layout puts it: A on a French layout is scan 0x10.
  EXPECT_EQ(list(FormsOfVirtualKey('A', 0x10)), (Forms{{0x10, false}}));
  EXPECT_EQ(list(FormsOfVirtualKey(0x2F, 0)), (Forms{{0x00, false}}));                      // VK_HELP: no scan code
  EXPECT_TRUE(list(FormsOfVirtualKey(0xFF, 0)).empty());
}

}  // namespace
}  // namespace platform::win32
