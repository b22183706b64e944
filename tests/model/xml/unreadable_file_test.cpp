// PreserveUnreadableFile: the bytes of a file the program cannot read are kept before it is replaced.
#include <gtest/gtest.h>

#include "model/xml/unreadable_file.h"
#include "support/logger.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::KeptCopyPath;
using model::PreserveUnreadableFile;

class PreserveUnreadableFileTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    testsupport::TempFolderTest::SetUp();
    file = File("macro.xml");
  }

  std::filesystem::path file;
  support::ScopedLogCapture log;
};

TEST_F(PreserveUnreadableFileTest, CopyNamesAreBadThenNumbered) {
  EXPECT_EQ(KeptCopyPath(file, 0), File("macro.xml.bad"));
  EXPECT_EQ(KeptCopyPath(file, 1), File("macro.xml.bad.1"));
  EXPECT_EQ(KeptCopyPath(file, 9), File("macro.xml.bad.9"));
}

TEST_F(PreserveUnreadableFileTest, KeepsTheBytesBesideAndLeavesTheFileInPlace) {
  Write(file, "<macro><group></macro>\x01\xff");
  ASSERT_TRUE(PreserveUnreadableFile(file));
  EXPECT_EQ(Read(File("macro.xml.bad")), "<macro><group></macro>\x01\xff");
  EXPECT_EQ(Read(file), "<macro><group></macro>\x01\xff");
  EXPECT_EQ(EntryCount(), 2u);  // no temporary file left behind
  EXPECT_NE(log.Text().find("macro.xml: unreadable, kept as "), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("macro.xml.bad\n"), std::string::npos) << log.Text();
}

TEST_F(PreserveUnreadableFileTest, SameBytesAreKeptOnceDifferentOnesGetTheNextNumber) {
  Write(file, "<a>");
  ASSERT_TRUE(PreserveUnreadableFile(file));
  ASSERT_TRUE(PreserveUnreadableFile(file));
  EXPECT_FALSE(std::filesystem::exists(File("macro.xml.bad.1")));
  EXPECT_NE(log.Text().find("already kept as"), std::string::npos);

  Write(file, "<b>");
  ASSERT_TRUE(PreserveUnreadableFile(file));
  EXPECT_EQ(Read(File("macro.xml.bad")), "<a>");
  EXPECT_EQ(Read(File("macro.xml.bad.1")), "<b>");
}

TEST_F(PreserveUnreadableFileTest, WithEveryNumberTakenTheLastCopyIsReplaced) {
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    Write(file, "<old " + std::to_string(index));
    ASSERT_TRUE(PreserveUnreadableFile(file));
  }
  Write(file, "<newest");
  ASSERT_TRUE(PreserveUnreadableFile(file));
  EXPECT_EQ(Read(File("macro.xml.bad")), "<old 0");
  EXPECT_EQ(Read(File("macro.xml.bad.8")), "<old 8");
  EXPECT_EQ(Read(File("macro.xml.bad.9")), "<newest");
  EXPECT_EQ(EntryCount(), 11u);
}

TEST_F(PreserveUnreadableFileTest, MissingOrContentlessFilesNeedNoCopy) {
  EXPECT_TRUE(PreserveUnreadableFile(file));
  Write(file, "<?xml version=\"1.0\"?>\n");
  EXPECT_TRUE(PreserveUnreadableFile(file));
  EXPECT_EQ(EntryCount(), 1u);
  EXPECT_EQ(log.Text(), "");
}

TEST_F(PreserveUnreadableFileTest, FailureToKeepIsReportedSoTheCallerLeavesTheFile) {
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    std::filesystem::create_directory(KeptCopyPath(file, index));  // every slot blocked
  }
  Write(file, "<a>");
  EXPECT_FALSE(PreserveUnreadableFile(file));
  EXPECT_EQ(Read(file), "<a>");
  EXPECT_NE(log.Text().find("failed"), std::string::npos) << log.Text();
}

}  // namespace
