// Group and step operations of the macro library, and when they write macro.xml.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/macro/macro_library.h"
#include "printers.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::MacroGroup;
using model::MacroLibrary;
using model::MacroStep;

class MacroLibraryTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    testsupport::TempFolderTest::SetUp();
    library_.Load(File("macro.xml"));  // no file: only the path is taken
  }
  bool FileExists() const { return std::filesystem::exists(File("macro.xml")); }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (int i = 0; i < library_.GroupCount(); ++i) names.push_back(library_.GroupAt(i)->name);
    return names;
  }
  std::vector<int> StepDelays(const std::shared_ptr<MacroGroup>& group) const {
    std::vector<int> delays;
    for (const MacroStep& step : group->steps) delays.push_back(step.delay);
    return delays;
  }

  MacroLibrary library_;
};

TEST_F(MacroLibraryTest, AddGroupTakesTheFirstFreeNumberFromTheCountUpAndSaves) {
  library_.AddGroup();
  EXPECT_TRUE(FileExists());
  library_.AddGroup();
  library_.AddGroup();
  ASSERT_EQ(library_.RenameGroup(2, L"Group 3"), 1);
  library_.AddGroup();  // Group 0, Group 1, Group 3: count 3 is taken, so 4
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Group 0", L"Group 1", L"Group 3", L"Group 4"}));
  EXPECT_NE(Read(File("macro.xml")).find("<group name=\"Group 4\" />"), std::string::npos);

  MacroLibrary other;
  other.Load(File("other.xml"));
  other.AddGroup();
  other.AddGroup();
  other.RenameGroup(0, L"A");
  other.RenameGroup(1, L"B");
  other.AddGroup();
  EXPECT_EQ(other.GroupAt(2)->name, L"Group 2");

  MacroLibrary caseSensitive;
  caseSensitive.Load(File("third.xml"));
  caseSensitive.AddGroup();
  caseSensitive.RenameGroup(0, L"group 1");
  caseSensitive.AddGroup();
  EXPECT_EQ(caseSensitive.GroupAt(1)->name, L"Group 1");
}

TEST_F(MacroLibraryTest, RenameSavesOnlyARealChange) {
  library_.AddGroup();
  std::filesystem::remove(File("macro.xml"));
  EXPECT_EQ(library_.RenameGroup(0, L"Group 0"), 0);
  EXPECT_FALSE(FileExists());
  EXPECT_EQ(library_.RenameGroup(1, L"x"), 0);
  EXPECT_EQ(library_.RenameGroup(-1, L"x"), 0);
  EXPECT_FALSE(FileExists());
  EXPECT_EQ(library_.RenameGroup(0, L"group 0"), 1);  // case counts
  EXPECT_NE(Read(File("macro.xml")).find("<group name=\"group 0\" />"), std::string::npos);
}

TEST_F(MacroLibraryTest, RemoveGroupSavesOnlyWhenSomethingWasRemoved) {
  library_.AddGroup();
  library_.AddGroup();
  std::filesystem::remove(File("macro.xml"));
  EXPECT_EQ(library_.RemoveGroup(2), 0);
  EXPECT_EQ(library_.RemoveGroup(-1), 0);
  EXPECT_FALSE(FileExists());
  EXPECT_EQ(library_.RemoveGroup(0), 1);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Group 1"}));
  EXPECT_EQ(Read(File("macro.xml")).find("Group 0"), std::string::npos);
}

TEST_F(MacroLibraryTest, GroupAtResolvesNegativeIndexesThroughTheSelectedGroup) {
  library_.AddGroup();
  library_.AddGroup();
  library_.group = 1;
  EXPECT_EQ(library_.GroupAt(-1), library_.GroupAt(1));
  EXPECT_EQ(library_.GroupAt(-7), library_.GroupAt(1));
  library_.group = -1;
  EXPECT_EQ(library_.GroupAt(-1), nullptr);
  library_.group = 2;
  EXPECT_EQ(library_.GroupAt(-1), nullptr);
  EXPECT_EQ(library_.GroupAt(2), nullptr);
  EXPECT_NE(library_.GroupAt(0), nullptr);
}

TEST_F(MacroLibraryTest, AHeldGroupStaysValidWhileOthersComeAndGo) {
  library_.AddGroup();
  library_.AddGroup();
  const std::shared_ptr<MacroGroup> held = library_.GroupAt(1);
  for (int i = 0; i < 64; ++i) library_.AddGroup();  // the list grows and moves its storage
  library_.RemoveGroup(0);
  library_.AppendStep(held, 458756, 1, 10, L"A");
  EXPECT_EQ(held->name, L"Group 1");
  EXPECT_EQ(library_.GroupAt(0), held);
  EXPECT_EQ(library_.GroupAt(0)->steps.size(), 1u);

  // Even a removed group stays usable by whoever still holds it.
  library_.RemoveGroup(0);
  library_.AppendStep(held, 458756, 0, 0, L"A");
  EXPECT_EQ(held->steps.size(), 2u);
  EXPECT_NE(library_.GroupAt(0), held);
}

TEST_F(MacroLibraryTest, StepEditsKeepTheOrderOfTheOtherStepsAndDoNotSave) {
  library_.AddGroup();
  std::filesystem::remove(File("macro.xml"));
  const auto group = library_.GroupAt(0);
  for (int delay : {1, 2, 3, 4}) library_.AppendStep(group, 458756 + delay, 1, delay, L"k");

  EXPECT_EQ(library_.MoveStepUp(group, 0), 0);
  EXPECT_EQ(library_.MoveStepUp(group, 4), 0);
  EXPECT_EQ(library_.MoveStepDown(group, 3), 0);
  EXPECT_EQ(library_.MoveStepDown(group, -1), 0);
  EXPECT_EQ(library_.MoveStepDown(group, 2147483647), 0);
  EXPECT_EQ(StepDelays(group), (std::vector<int>{1, 2, 3, 4}));

  EXPECT_EQ(library_.MoveStepUp(group, 3), 1);
  EXPECT_EQ(StepDelays(group), (std::vector<int>{1, 2, 4, 3}));
  EXPECT_EQ(library_.MoveStepDown(group, 0), 1);
  EXPECT_EQ(StepDelays(group), (std::vector<int>{2, 1, 4, 3}));

  library_.RemoveStep(group, 4);
  library_.RemoveStep(group, -1);
  EXPECT_EQ(StepDelays(group), (std::vector<int>{2, 1, 4, 3}));
  library_.RemoveStep(group, 1);
  EXPECT_EQ(StepDelays(group), (std::vector<int>{2, 4, 3}));
  EXPECT_EQ(group->steps[0].code, 458758u);

  library_.ClearSteps(group);
  EXPECT_TRUE(group->steps.empty());
  EXPECT_FALSE(FileExists());
}

TEST_F(MacroLibraryTest, StepEditsOnNoGroupDoNothing) {
  const std::shared_ptr<MacroGroup> none;
  library_.AppendStep(none, 458756, 1, 1, L"A");
  library_.RemoveStep(none, 0);
  EXPECT_EQ(library_.MoveStepUp(none, 1), 0);
  EXPECT_EQ(library_.MoveStepDown(none, 0), 0);
  library_.ClearSteps(none);
  EXPECT_EQ(library_.GroupCount(), 0);
}

TEST_F(MacroLibraryTest, ResetRestoresTheDefaultsButKeepsTheFile) {
  library_.AddGroup();
  library_.type = 2;
  library_.repeat = 0;
  library_.delay = 0;
  library_.mode = 1;
  library_.media = 3;
  library_.function = 3;
  library_.skcode = 5;
  library_.group = 4;
  library_.playValue = 2;
  library_.play = 1;
  library_.recording = 1;
  const std::string before = Read(File("macro.xml"));

  library_.Reset();
  EXPECT_EQ(library_.type, 0);
  EXPECT_EQ(library_.repeat, 1);
  EXPECT_EQ(library_.delay, 10);
  EXPECT_EQ(library_.mode, 0);
  EXPECT_EQ(library_.media, 0);
  EXPECT_EQ(library_.function, 0);
  EXPECT_EQ(library_.skcode, 0u);
  EXPECT_EQ(library_.group, 0);
  EXPECT_EQ(library_.playValue, 0);
  EXPECT_EQ(library_.play, 0);
  EXPECT_EQ(library_.recording, 0);
  EXPECT_EQ(library_.GroupCount(), 0);
  EXPECT_EQ(Read(File("macro.xml")), before);  // Reset itself writes nothing

  // The next save still reaches macro.xml.
  library_.AddGroup();
  EXPECT_NE(Read(File("macro.xml")).find("repeat=\"1\" mode=\"0\" delay=\"10\""), std::string::npos);
}

TEST(MacroLibraryInstanceTest, IsOneLibraryWithDefaults) {
  MacroLibrary& first = MacroLibrary::Instance();
  EXPECT_EQ(&first, &MacroLibrary::Instance());
  EXPECT_EQ(first.repeat, 1);
  EXPECT_EQ(first.delay, 10);
  EXPECT_EQ(first.GroupCount(), 0);
}

}  // namespace
