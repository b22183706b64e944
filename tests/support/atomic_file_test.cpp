#include "support/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/logger.h"
#include "tests/common/awkward_folder_name.h"
#include "tests/common/temp_folder_test.h"

namespace {

class AtomicFileTest : public testsupport::TempFolderTest {};

TEST_F(AtomicFileTest, WritesAndReplacesWholeFile) {
  const auto target = dir_ / "macro.xml";
  ASSERT_TRUE(support::WriteFileAtomically(target, "first version, longer than the second"));
  ASSERT_TRUE(support::WriteFileAtomically(target, "second"));
  EXPECT_EQ(support::ReadWholeFile(target).value_or(""), "second");
  EXPECT_EQ(EntryCount(), 1u);  // no temporary file left behind
}

TEST_F(AtomicFileTest, FailedWriteLeavesOldFileWholeAndNoTemporary) {
  const auto target = dir_ / "record.xml";
  ASSERT_TRUE(support::WriteFileAtomically(target, "old content"));
  support::testing::FailNextAtomicWriteAfter(3);
  EXPECT_FALSE(support::WriteFileAtomically(target, "new content that never lands"));
  EXPECT_EQ(support::ReadWholeFile(target).value_or(""), "old content");
  EXPECT_EQ(EntryCount(), 1u);
  // The injected fault is used up: the next save works again.
  EXPECT_TRUE(support::WriteFileAtomically(target, "new"));
  EXPECT_EQ(support::ReadWholeFile(target).value_or(""), "new");
}

TEST_F(AtomicFileTest, MissingFolderFailsAndMissingFileReadsAsNothing) {
  EXPECT_FALSE(support::WriteFileAtomically(dir_ / "no-such-folder" / "x.xml", "x"));
  EXPECT_FALSE(support::ReadWholeFile(dir_ / "absent.xml").has_value());
}

TEST_F(AtomicFileTest, LeftoverTemporariesOfTheFileAndItsKeptCopiesAreRemovedAndNothingElse) {
  const std::vector<std::string> leftovers = {
      "macro.xml.tmp-0123abcd-0", "macro.xml.tmp-FFFFFFFF-4711", "macro.xml.bad.tmp-89abcdef-2",
      "macro.xml.bad.3.tmp-00000000-1"};
  const std::vector<std::string> kept = {
      "macro.xml",
      "macro.xml.bad",
      "macro.xml.bad.3",
      "record.xml.tmp-0123abcd-0",     // another file's
      "amacro.xml.tmp-0123abcd-1",     // another file's
      "macro.xml.tmp-0123abc-0",       // seven hex digits
      "macro.xml.tmp-0123abcg-1",      // not hex
      "macro.xml.tmp-0123abcd-",       // no counter
      "macro.xml.tmp-0123abcd-1x",     // not a counter
      "macro.xml.bad.x.tmp-0123abcd-1",  // not a kept copy's name
      "macro.xml.old.tmp-0123abcd-1"};
  for (const auto& name : leftovers) Write(File(name), "leftover");
  for (const auto& name : kept) Write(File(name), "kept");
  std::filesystem::create_directory(File("macro.xml.tmp-01234567-8"));  // not a file: not ours

  support::ScopedLogCapture log;
  EXPECT_EQ(support::RemoveLeftoverTemporaries(File("macro.xml")), 4);
  for (const auto& name : leftovers) EXPECT_FALSE(std::filesystem::exists(File(name))) << name;
  for (const auto& name : kept) EXPECT_EQ(Read(File(name)), "kept") << name;
  EXPECT_TRUE(std::filesystem::is_directory(File("macro.xml.tmp-01234567-8")));
  EXPECT_NE(log.Text().find("macro.xml.bad.tmp-89abcdef-2: removed, left by a save that did not finish\n"),
            std::string::npos)
      << log.Text();
  EXPECT_EQ(support::RemoveLeftoverTemporaries(dir_ / "no-such-folder" / "macro.xml"), 0);
}

// path::wstring() throws for such a name; saving, reading, cleaning and their log lines must not.
TEST_F(AtomicFileTest, AFolderNameOutsideUtf8IsWrittenReadAndLoggedWithoutException) {
  const std::filesystem::path folder = dir_ / testsupport::AwkwardFolderName();
  std::filesystem::create_directory(folder);
  support::ScopedLogCapture log;
  EXPECT_NO_THROW({
    EXPECT_TRUE(support::WriteFileAtomically(folder / "macro.xml", "saved"));
    EXPECT_EQ(support::ReadWholeFile(folder / "macro.xml").value_or(""), "saved");
    EXPECT_FALSE(support::WriteFileAtomically(folder / "missing" / "macro.xml", "x"));
    EXPECT_EQ(support::RemoveLeftoverTemporaries(folder / "macro.xml"), 0);
  });
  EXPECT_NE(log.Text().find("kb-"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("missing"), std::string::npos) << log.Text();
  EXPECT_EQ(testsupport::CountEntries(folder), 1u);
}

}  // namespace
