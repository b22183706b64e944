#include "support/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
