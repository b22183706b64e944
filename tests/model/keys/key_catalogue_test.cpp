#include "model/keys/key_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using model::FindKey;
using model::KeyCatalogue;
using model::KeyInfo;
using model::kNoScanCode;

std::wstring NameOf(model::KeyCode code) { return FindKey(code).name; }

// The expected (page, usage, name) of every row, in array order, built from the naming patterns
// rather than copied from the table.
struct Expected {
  std::uint16_t page;
  std::uint16_t usage;
  std::wstring name;
};

std::vector<Expected> ExpectedRows() {
  std::vector<Expected> rows;
  auto add = [&](std::uint16_t page, std::uint16_t usage, std::wstring name) {
    rows.push_back({page, usage, std::move(name)});
  };
  add(1, 0x81, L"System Power");
  add(1, 0x82, L"System Sleep");
  add(1, 0x83, L"System Wake");
  add(7, 0x00, L"No Event");
  add(7, 0x01, L"Overrun Error");
  add(7, 0x02, L"POST Fail");
  add(7, 0x03, L"ErrorUndefined");
  for (int i = 0; i < 26; ++i) add(7, 0x04 + i, std::wstring(1, wchar_t(L'A' + i)));
  for (int i = 0; i < 10; ++i) add(7, 0x1E + i, std::wstring(1, wchar_t(L'0' + (i + 1) % 10)));
  const wchar_t* punctuation[] = {L"Return", L"Escape", L"Backspace", L"Tab", L"Space", L"-", L"=", L"[", L"]",
                                  L"\\", L"Europe 1", L";", L"'", L"`", L",", L".", L"/", L"Caps Lock"};
  std::uint16_t usage = 0x28;
  for (const wchar_t* name : punctuation) add(7, usage++, name);
  for (int i = 1; i <= 12; ++i) add(7, usage++, L"F" + std::to_wstring(i));
  const wchar_t* navigation[] = {L"Print Screen", L"Scroll Lock", L"Break",      L"Insert",     L"Home",
                                 L"Page Up",      L"Delete",      L"End",        L"Page Down",  L"Right Arrow",
                                 L"Left Arrow",   L"Down Arrow",  L"Up Arrow",   L"Num Lock",   L"Keypad /",
                                 L"Keypad *",     L"Keypad -",    L"Keypad +",   L"Keypad Enter"};
  for (const wchar_t* name : navigation) add(7, usage++, name);
  for (int i = 1; i <= 9; ++i) add(7, usage++, L"Keypad " + std::to_wstring(i));
  for (const wchar_t* name : {L"Keypad 0", L"Keypad .", L"Europe 2", L"App", L"Power", L"Keypad ="})
    add(7, usage++, name);
  for (int i = 13; i <= 24; ++i) add(7, usage++, L"F" + std::to_wstring(i));
  for (const wchar_t* name : {L"Execute", L"Help", L"Menu", L"Select", L"Stop", L"Again", L"Undo", L"Cut", L"Copy",
                              L"Paste", L"Find", L"Mute", L"Volume Up", L"Volume Dn", L"Locking Caps Lock",
                              L"Locking Num Lock", L"Locking Scroll Lock", L"Keypad , ", L"Equal Sign",
                              L"Int'l 1", L"Intl'2", L"Int'l 3"})
    add(7, usage++, name);
  for (int i = 4; i <= 9; ++i) add(7, usage++, L"Int'l " + std::to_wstring(i));
  for (int i = 1; i <= 9; ++i) add(7, usage++, L"Lang " + std::to_wstring(i));
  for (const wchar_t* name : {L"Alternate Erase", L"SysReq Attention", L"Cancel", L"Clear", L"Prior", L"Return",
                              L"Separator", L"Out", L"Oper", L"Clear Again", L"CrSel Props", L"ExSel"})
    add(7, usage++, name);
  EXPECT_EQ(usage, 0xA5);
  const wchar_t* modifiers[] = {L"Left Control",  L"Left Shift",  L"Left Alt",  L"Left GUI",
                                L"Right Control", L"Right Shift", L"Right Alt", L"Right GUI"};
  usage = 0xE0;
  for (const wchar_t* name : modifiers) add(7, usage++, name);
  const std::pair<std::uint16_t, const wchar_t*> consumer[] = {
      {0xB5, L"Scan Next Track"}, {0xB6, L"Scan Previous Track"}, {0xB7, L"Stop"}, {0xCD, L"Play Pause"},
      {0xE2, L"Mute"}, {0xE5, L"Bass Boost"}, {0xE7, L"Loudness"}, {0xE9, L"Volume Up"}, {0xEA, L"Volume Down"},
      {0x152, L"Bass Up"}, {0x153, L"Bass Down"}, {0x154, L"Treble Up"}, {0x155, L"Treble Down"},
      {0x183, L"Media Select"}, {0x18A, L"Mail"}, {0x192, L"Calculator"}, {0x194, L"My Computer"},
      {0x221, L"WWW Search"}, {0x223, L"WWW Home"}, {0x224, L"WWW Back"}, {0x225, L"WWW Forward"},
      {0x226, L"WWW Stop"}, {0x227, L"WWW Refresh"}, {0x22A, L"WWW Favorites"}};
  for (const auto& [id, name] : consumer) add(0x0C, id, name);
  const wchar_t* mouse[] = {L"Mouse Left", L"Mouse Middle", L"Mouse Right", L"Mouse Left Side", L"Mouse Right Side"};
  usage = 1;
  for (const wchar_t* name : mouse) add(1, usage++, name);
  return rows;
}

TEST(KeyCatalogueTest, EveryRowInArrayOrderWithItsExactName) {
  const std::vector<Expected> expected = ExpectedRows();
  ASSERT_EQ(expected.size(), 205u);
  ASSERT_EQ(KeyCatalogue.size(), 205u);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(KeyCatalogue[i].page, expected[i].page);
    EXPECT_EQ(KeyCatalogue[i].usage, expected[i].usage);
    ASSERT_NE(KeyCatalogue[i].name, nullptr);
    EXPECT_EQ(std::wstring(KeyCatalogue[i].name), expected[i].name);
    EXPECT_EQ(KeyCatalogue[i].reserved, kNoScanCode);
  }
}

TEST(KeyCatalogueTest, CodesAreUniqueAndEveryRowIsFoundUnderItsCode) {
  std::set<model::KeyCode> codes;
  for (const KeyInfo& row : KeyCatalogue) {
    EXPECT_TRUE(codes.insert(row.Code()).second) << std::hex << row.Code();
    EXPECT_EQ(&FindKey(row.Code()), &row);  // a reference into the table, not a copy
  }
}

TEST(KeyCatalogueTest, FindsTheDocumentedKeys) {
  EXPECT_EQ(NameOf(0x00070004), L"A");
  EXPECT_EQ(NameOf(0x00070022), L"5");
  EXPECT_EQ(NameOf(0x00070027), L"0");
  EXPECT_EQ(NameOf(0x0007009E), L"Return");
  EXPECT_EQ(NameOf(0x00070028), L"Return");
  EXPECT_EQ(NameOf(0x000C00E9), L"Volume Up");
  EXPECT_EQ(NameOf(0x00070080), L"Volume Up");
  EXPECT_EQ(NameOf(0x00010001), L"Mouse Left");
  EXPECT_EQ(NameOf(0x00070085), L"Keypad , ");  // the trailing blank is part of the name
  EXPECT_EQ(NameOf(0x00070089), L"Int'l 3");
  EXPECT_EQ(NameOf(0x00070088), L"Intl'2");
  EXPECT_EQ(NameOf(0x000700E1), L"Left Shift");
  EXPECT_EQ(NameOf(0x000C00CD), L"Play Pause");
  EXPECT_EQ(NameOf(0x00010081), L"System Power");
  EXPECT_EQ(FindKey(0x0007003A).Code(), 0x0007003Au);
}

TEST(KeyCatalogueTest, CodesWithoutARowGiveTheEmptyRow) {
  for (model::KeyCode code : {0x00090001u, 0u, 0x000700A5u, 0x000700DFu, 0x000700E8u, 0x00010006u, 0x00010080u,
                              0x000C00B8u, 0x00050001u, 0x01070004u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(code);
    const KeyInfo& row = FindKey(code);
    EXPECT_EQ(&row, &model::emptyKeyInfo);
    EXPECT_EQ(std::wstring(row.name), L"");
    EXPECT_EQ(row.Code(), 0u);
    EXPECT_EQ(row.makeCode, 0u);
    EXPECT_EQ(row.breakCode, 0u);
    EXPECT_EQ(row.reserved, 0u);
  }
}

TEST(KeyCatalogueTest, ScanCodeColumns) {
  auto scan = [](model::KeyCode code) { return std::pair(FindKey(code).makeCode, FindKey(code).breakCode); };
  using Codes = std::pair<std::uint32_t, std::uint32_t>;
  EXPECT_EQ(scan(0x00070001), Codes(0xFF, kNoScanCode));      // Overrun Error
  EXPECT_EQ(scan(0x00070002), Codes(0xFC, kNoScanCode));      // POST Fail
  EXPECT_EQ(scan(0x00070090), Codes(0xF2, kNoScanCode));      // Lang 1
  EXPECT_EQ(scan(0x00070091), Codes(0xF1, kNoScanCode));      // Lang 2
  EXPECT_EQ(scan(0x00070048), Codes(0xE046, 0xE0C6));         // Break
  EXPECT_EQ(scan(0x00070046), Codes(0xE037, 0xE0B7));         // Print Screen
  EXPECT_EQ(scan(0x00070031), Codes(0x2B, 0xAB));             // backslash
  EXPECT_EQ(scan(0x00070032), Codes(0x2B, 0xAB));             // Europe 1
  EXPECT_EQ(scan(0x00070066), Codes(0xE05E, 0xE0DE));         // Power
  EXPECT_EQ(scan(0x00010081), Codes(0xE05E, 0xE0DE));         // System Power
  EXPECT_EQ(scan(0x00070004), Codes(0x1E, 0x9E));             // A
  EXPECT_EQ(scan(0x00070058), Codes(0xE01C, 0xE09C));         // Keypad Enter
  EXPECT_EQ(scan(0x000700E4), Codes(0xE01D, 0xE09D));         // Right Control
  EXPECT_EQ(scan(0x00070000), Codes(kNoScanCode, kNoScanCode));  // No Event
  EXPECT_EQ(scan(0x00010001), Codes(kNoScanCode, kNoScanCode));  // Mouse Left

  // Wherever both columns hold a code, the break code is the make code with bit 7 of its last byte set.
  for (const KeyInfo& row : KeyCatalogue) {
    if (row.makeCode == kNoScanCode || row.breakCode == kNoScanCode) continue;
    EXPECT_EQ(row.breakCode, row.makeCode | 0x80u) << row.name;
    EXPECT_EQ(row.makeCode & 0x80u, 0u) << row.name;
  }
}

}  // namespace
