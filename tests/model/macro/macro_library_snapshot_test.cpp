// A snapshot of the macro library puts memory and macro.xml back exactly as they were.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/macro/macro_library.h"
#include "model/macro/macro_library_snapshot.h"
#include "printers.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "support/save_reporter.h"
#include "tests/common/awkward_folder_name.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::MacroGroup;
using model::MacroLibrary;
using model::MacroLibrarySnapshot;

std::vector<MacroGroup> Groups(const MacroLibrary& library) {
  std::vector<MacroGroup> groups;
  for (int index = 0; index < library.GroupCount(); ++index) groups.push_back(*library.GroupAt(index));
  return groups;
}

class MacroLibrarySnapshotTest : public testsupport::TempFolderTest {};

TEST_F(MacroLibrarySnapshotTest, RestorePutsSettingsGroupsAndTheFileBytesBack) {
  // Written by hand: not the layout Save() would give, so only a byte copy restores it.
  const std::string original =
      "<?xml version=\"1.0\"?>\n<config type=\"1\" repeat=\"4\" mode=\"1\" delay=\"30\" group=\"1\" skcode=\"458756\" />\n"
      "<macro><group name=\"One\"><item code=\"458756\" state=\"1\" delay=\"5\" name=\"A\"/></group>"
      "<group name=\"Two\"/></macro>\n";
  Write(File("macro.xml"), original);
  MacroLibrary library;
  ASSERT_TRUE(library.Load(File("macro.xml")));
  const std::vector<MacroGroup> groupsBefore = Groups(library);
  const MacroLibrary::Settings settingsBefore = library.CurrentSettings();
  const std::shared_ptr<MacroGroup> held = library.GroupAt(0);

  const MacroLibrarySnapshot snapshot = MacroLibrarySnapshot::Take(library);
  library.type = 3;
  library.repeat = 77;
  library.group = 2;
  library.AppendStep(held, 0x70005, 1, 9, L"B");
  library.AddGroup();  // saves
  library.RenameGroup(1, L"Renamed");
  library.RemoveGroup(0);
  library.Save();
  ASSERT_NE(Read(File("macro.xml")), original);

  ASSERT_TRUE(snapshot.Restore(library));
  EXPECT_EQ(Groups(library), groupsBefore);
  const MacroLibrary::Settings settingsAfter = library.CurrentSettings();
  EXPECT_EQ(settingsAfter.type, settingsBefore.type);
  EXPECT_EQ(settingsAfter.repeat, 4);
  EXPECT_EQ(int(settingsAfter.delay), 30);
  EXPECT_EQ(settingsAfter.mode, 1);
  EXPECT_EQ(settingsAfter.group, 1);
  EXPECT_EQ(settingsAfter.skcode, 0x70004u);
  EXPECT_EQ(Read(File("macro.xml")), original);
  EXPECT_EQ(library.filePath, File("macro.xml"));
}

TEST_F(MacroLibrarySnapshotTest, AFileThatDidNotExistIsRemovedAgain) {
  MacroLibrary library;
  EXPECT_FALSE(library.Load(File("macro.xml")));  // the path only
  const MacroLibrarySnapshot snapshot = MacroLibrarySnapshot::Take(library);
  library.AddGroup();
  ASSERT_TRUE(std::filesystem::exists(File("macro.xml")));
  ASSERT_TRUE(snapshot.Restore(library));
  EXPECT_EQ(library.GroupCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(File("macro.xml")));
}

// A file that cannot be put back (a folder took its name) is logged by its name in UTF-8,
// whatever the folder is called, and goes to the reporter as a failed save.
TEST_F(MacroLibrarySnapshotTest, AFileThatCannotBePutBackIsLoggedAndReported) {
  const std::filesystem::path file = dir_ / testsupport::AwkwardFolderName() / "macro.xml";
  MacroLibrary library;
  EXPECT_FALSE(library.Load(file));
  const MacroLibrarySnapshot snapshot = MacroLibrarySnapshot::Take(library);
  std::filesystem::create_directories(file / "in the way");
  support::SaveReporter reporter(nullptr);
  library.ReportSavesTo(&reporter);
  support::ScopedLogCapture log;
  EXPECT_FALSE(snapshot.Restore(library));
  EXPECT_NE(log.Text().find("remove " + support::PathToUtf8(file) + " failed: "), std::string::npos) << log.Text();
  const std::vector<support::SaveResult> told = reporter.TakeUntold();
  EXPECT_TRUE(told.size() == 1 && told[0].file == file && !told[0].reason.empty());
}

TEST_F(MacroLibrarySnapshotTest, WithoutAFilePathOnlyMemoryIsRestored) {
  MacroLibrary library;
  library.ReplaceGroups({MacroGroup{L"Kept", {}}});
  const MacroLibrarySnapshot snapshot = MacroLibrarySnapshot::Take(library);
  library.ReplaceGroups({});
  library.repeat = 5;
  EXPECT_TRUE(snapshot.Restore(library));
  EXPECT_EQ(Groups(library), (std::vector<MacroGroup>{MacroGroup{L"Kept", {}}}));
  EXPECT_EQ(library.repeat, 1);
  EXPECT_EQ(EntryCount(), 0u);
}

}  // namespace
