#include "support/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kb_atomic_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  size_t FilesInDir() const {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_)) ++count;
    return count;
  }

  std::filesystem::path dir_;
};

TEST_F(AtomicFileTest, WritesAndReplacesWholeFile) {
  const auto target = dir_ / "macro.xml";
  ASSERT_TRUE(support::WriteFileAtomically(target, "first version, longer than the second"));
  ASSERT_TRUE(support::WriteFileAtomically(target, "second"));
  EXPECT_EQ(support::ReadWholeFile(target).value_or(""), "second");
  EXPECT_EQ(FilesInDir(), 1u);  // no temporary file left behind
}

TEST_F(AtomicFileTest, FailedWriteLeavesOldFileWholeAndNoTemporary) {
  const auto target = dir_ / "record.xml";
  ASSERT_TRUE(support::WriteFileAtomically(target, "old content"));
  support::testing::FailNextAtomicWriteAfter(3);
  EXPECT_FALSE(support::WriteFileAtomically(target, "new content that never lands"));
  EXPECT_EQ(support::ReadWholeFile(target).value_or(""), "old content");
  EXPECT_EQ(FilesInDir(), 1u);
  // The injected fault is used up: the next save works again.
  EXPECT_TRUE(support::WriteFileAtomically(target, "new"));
  EXPECT_EQ(support::ReadWholeFile(target).value_or(""), "new");
}

TEST_F(AtomicFileTest, MissingFolderFailsAndMissingFileReadsAsNothing) {
  EXPECT_FALSE(support::WriteFileAtomically(dir_ / "no-such-folder" / "x.xml", "x"));
  EXPECT_FALSE(support::ReadWholeFile(dir_ / "absent.xml").has_value());
}

}  // namespace
