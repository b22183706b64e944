#include "model/keyboard_layout/key_position_file.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/common/temp_folder.h"

namespace model {
namespace {

std::vector<KeySpot> Parse(const char* xml) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(xml));
  return ReadKeyPositions(document);
}

TEST(KeyRect, RightAndBottomEdgesAreExclusive) {
  const KeyRect rect = ParseKeyRect("10,20,30,40");
  EXPECT_EQ(rect, (KeyRect{10, 20, 40, 60}));
  EXPECT_TRUE(rect.Contains(10, 20));
  EXPECT_TRUE(rect.Contains(39, 59));
  EXPECT_FALSE(rect.Contains(40, 30));
  EXPECT_FALSE(rect.Contains(20, 60));
  EXPECT_FALSE(rect.Contains(9, 30));
}

TEST(KeyRect, BlanksAreRemovedAndMissingNumbersStayZero) {
  EXPECT_EQ(ParseKeyRect(" 1, 2 ,3 ,4 "), (KeyRect{1, 2, 4, 6}));
  EXPECT_EQ(ParseKeyRect("5,6"), (KeyRect{5, 6, 5, 6}));
  EXPECT_EQ(ParseKeyRect("5,x,7,8"), (KeyRect{5, 0, 5, 0}));
  EXPECT_EQ(ParseKeyRect(""), KeyRect{});
  EXPECT_EQ(ParseKeyRect("-5,-6,10,10"), (KeyRect{-5, -6, 5, 4}));
  // Found by fuzzing: a width past the 32-bit range wrapped to a negative one.
  EXPECT_EQ(ParseKeyRect("-5,7,2147967294,9"), (KeyRect{-5, 7, 2147483642, 16}));
  EXPECT_EQ(ParseKeyRect("10,20,-30,-1"), (KeyRect{10, 20, 10, 20}));
}

TEST(KeyRect, HugeExtentSaturatesInsteadOfOverflowing) {
  const KeyRect rect = ParseKeyRect("2147483000,0,2147483000,1");
  EXPECT_EQ(rect.right, 2147483647);
  EXPECT_TRUE(rect.Contains(2147483646, 0));
}

TEST(KeyColor, HashAndBlanksRemovedThenHex) {
  EXPECT_EQ(ParseKeyColor("#FF 00 80"), 0xFF0080u);
  EXPECT_EQ(ParseKeyColor("80ff0000"), 0x80FF0000u);
  EXPECT_EQ(ParseKeyColor(""), kDefaultKeyColor);
  EXPECT_EQ(ParseKeyColor("#"), kDefaultKeyColor);
  EXPECT_EQ(ParseKeyColor("zz"), kDefaultKeyColor);
}

TEST(ReadKeyPositions, ReadsEveryChildInOrderWhateverItsElementName) {
  const auto keys = Parse(
      "<positions>"
      "<key id='4' va='7' name='A' legend='a' rect='10,20,30,40' color='#FF0080'/>"
      "<anything id='5' va='7' name='B' rect='40,20,30,40'/>"
      "</positions>");
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].id, 4);
  EXPECT_EQ(keys[0].va, 7);
  EXPECT_EQ(keys[0].name, L"A");
  EXPECT_EQ(keys[0].legend, L"a");
  EXPECT_EQ(keys[0].rect, (KeyRect{10, 20, 40, 60}));
  EXPECT_EQ(keys[0].color, 0xFF0080u);
  EXPECT_EQ(keys[0].KeyCode(), 0x70004u);
  EXPECT_EQ(keys[1].name, L"B");
  EXPECT_TRUE(keys[1].legend.empty());
  EXPECT_EQ(keys[1].color, kDefaultKeyColor);
  EXPECT_TRUE(keys[1].label.empty());
  EXPECT_EQ(keys[1].checked + keys[1].hover + keys[1].pressed, 0);
}

TEST(ReadKeyPositions, MissingAttributesTakeDefaultsAndNonNumbersReadZero) {
  const auto keys = Parse("<positions><k/><k id='x' va='y' color='nothex'/></positions>");
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].id, -1);
  EXPECT_EQ(keys[0].va, -1);
  EXPECT_TRUE(keys[0].name.empty());
  EXPECT_EQ(keys[0].rect, KeyRect{});
  EXPECT_EQ(keys[0].color, kDefaultKeyColor);
  EXPECT_EQ(keys[1].id, 0);
  EXPECT_EQ(keys[1].va, 0);
  EXPECT_EQ(keys[1].color, kDefaultKeyColor);
}

TEST(ReadKeyPositions, NoPositionsElementGivesNoKeys) {
  EXPECT_TRUE(Parse("<keys><k id='4'/></keys>").empty());
}

TEST(LoadKeyPositions, MissingOrMalformedFileGivesNoKeys) {
  const testsupport::TempFolder owner("kb_keyboard_layout");
  const auto folder = owner.Path();
  EXPECT_TRUE(LoadKeyPositions(folder / "absent.xml").empty());
  {
    std::ofstream(folder / "broken.xml") << "<positions><k id='4'";
  }
  EXPECT_TRUE(LoadKeyPositions(folder / "broken.xml").empty());
  {
    std::ofstream(folder / "good.xml") << "<?xml version=\"1.0\"?>\n<positions><k id='4' name='\xC3\xA4'/></positions>";
  }
  const auto keys = LoadKeyPositions(folder / "good.xml");
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].name, L"\u00E4");
}

TEST(ResolveKeyPositionPath, RelativeToProgramFolderWithOrWithoutLeadingSeparator) {
  const std::filesystem::path folder = "/opt/kb";
  EXPECT_EQ(ResolveKeyPositionPath(folder, L"uires/keyboard/keys.xml"), "/opt/kb/uires/keyboard/keys.xml");
  EXPECT_EQ(ResolveKeyPositionPath(folder, L"/uires/keys.xml"), "/opt/kb/uires/keys.xml");
  EXPECT_EQ(ResolveKeyPositionPath(folder, L"\\uires\\keys.xml"), "/opt/kb/uires/keys.xml");
}

}  // namespace
}  // namespace model
