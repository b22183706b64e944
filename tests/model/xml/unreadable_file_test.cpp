// PreserveUnreadableFile and UnreadableFileGuard: the bytes of a file the program cannot read are
// kept before it is replaced, and nothing replaces it while they cannot be.
#include <gtest/gtest.h>

#include "model/xml/unreadable_file.h"
#include "support/logger.h"
#include "tests/common/awkward_folder_name.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::KeptCopyPath;
using model::PreserveUnreadableFile;
using Fate = model::UnreadableFileReport::Fate;

class PreserveUnreadableFileTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    testsupport::TempFolderTest::SetUp();
    file = File("macro.xml");
  }

  void BlockEveryCopySlot() const {
    for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
      std::filesystem::create_directory(KeptCopyPath(file, index));
    }
  }
  void UnblockCopySlots() const {
    for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
      std::filesystem::remove(KeptCopyPath(file, index));
    }
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
  const model::UnreadableFileReport report = PreserveUnreadableFile(file);
  EXPECT_EQ(report.fate, Fate::kKept);
  EXPECT_EQ(report.file, file);
  EXPECT_EQ(report.copy, File("macro.xml.bad"));
  EXPECT_EQ(Read(File("macro.xml.bad")), "<macro><group></macro>\x01\xff");
  EXPECT_EQ(Read(file), "<macro><group></macro>\x01\xff");
  EXPECT_EQ(EntryCount(), 2u);  // no temporary file left behind
  EXPECT_NE(log.Text().find("macro.xml: unreadable, kept as "), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("macro.xml.bad\n"), std::string::npos) << log.Text();
}

TEST_F(PreserveUnreadableFileTest, SameBytesAreKeptOnceDifferentOnesGetTheNextNumber) {
  Write(file, "<a>");
  ASSERT_EQ(PreserveUnreadableFile(file).fate, Fate::kKept);
  const model::UnreadableFileReport again = PreserveUnreadableFile(file);
  EXPECT_EQ(again.fate, Fate::kAlreadyKept);
  EXPECT_EQ(again.copy, File("macro.xml.bad"));
  EXPECT_FALSE(std::filesystem::exists(File("macro.xml.bad.1")));
  EXPECT_NE(log.Text().find("already kept as"), std::string::npos);

  Write(file, "<b>");
  EXPECT_EQ(PreserveUnreadableFile(file).copy, File("macro.xml.bad.1"));
  EXPECT_EQ(Read(File("macro.xml.bad")), "<a>");
  EXPECT_EQ(Read(File("macro.xml.bad.1")), "<b>");
}

TEST_F(PreserveUnreadableFileTest, WithEveryNumberTakenTheLastCopyIsReplaced) {
  for (int index = 0; index < model::kKeptUnreadableCopies; ++index) {
    Write(file, "<old " + std::to_string(index));
    ASSERT_TRUE(PreserveUnreadableFile(file).MayReplace());
  }
  Write(file, "<newest");
  EXPECT_EQ(PreserveUnreadableFile(file).copy, File("macro.xml.bad.9"));
  EXPECT_EQ(Read(File("macro.xml.bad")), "<old 0");
  EXPECT_EQ(Read(File("macro.xml.bad.8")), "<old 8");
  EXPECT_EQ(Read(File("macro.xml.bad.9")), "<newest");
  EXPECT_EQ(EntryCount(), 11u);
}

TEST_F(PreserveUnreadableFileTest, MissingOrDeclarationOnlyFilesNeedNoCopy) {
  EXPECT_EQ(PreserveUnreadableFile(file).fate, Fate::kNone);
  Write(file, "<?xml version=\"1.0\"?>\n");
  EXPECT_EQ(PreserveUnreadableFile(file).fate, Fate::kNone);
  EXPECT_EQ(EntryCount(), 1u);
  EXPECT_EQ(log.Text(), "");
}

TEST_F(PreserveUnreadableFileTest, AZeroLengthFileIsKeptLikeAnyUnreadableOne) {
  Write(file, "");
  EXPECT_EQ(PreserveUnreadableFile(file).fate, Fate::kKept);
  EXPECT_TRUE(std::filesystem::is_regular_file(File("macro.xml.bad")));
  EXPECT_EQ(std::filesystem::file_size(File("macro.xml.bad")), 0u);
}

TEST_F(PreserveUnreadableFileTest, FailureToKeepIsReportedSoTheCallerLeavesTheFile) {
  BlockEveryCopySlot();
  Write(file, "<a>");
  const model::UnreadableFileReport report = PreserveUnreadableFile(file);
  EXPECT_EQ(report.fate, Fate::kNotKept);
  EXPECT_FALSE(report.MayReplace());
  EXPECT_EQ(Read(file), "<a>");
  EXPECT_NE(log.Text().find("failed"), std::string::npos) << log.Text();
}

TEST_F(PreserveUnreadableFileTest, TheGuardHoldsSavesUntilTheCopyExists) {
  BlockEveryCopySlot();
  Write(file, "<a>");
  model::UnreadableFileGuard guard;
  guard.AfterRead(file, model::XmlFileState::kUnreadable);
  EXPECT_EQ(guard.Report().fate, Fate::kNotKept);
  EXPECT_FALSE(guard.MaySave());
  EXPECT_NE(log.Text().find("macro.xml: not saved, as it could not be read and no copy of it could be kept\n"),
            std::string::npos)
      << log.Text();
  EXPECT_FALSE(guard.MaySave());

  UnblockCopySlots();  // room again: the next save makes the copy first
  EXPECT_TRUE(guard.MaySave());
  EXPECT_EQ(guard.Report().fate, Fate::kKept);
  EXPECT_EQ(Read(File("macro.xml.bad")), "<a>");

  // A file that was read, or missing, holds nothing up.
  guard.AfterRead(file, model::XmlFileState::kLoaded);
  EXPECT_EQ(guard.Report().fate, Fate::kNone);
  EXPECT_TRUE(guard.MaySave());
}

TEST_F(PreserveUnreadableFileTest, AFolderNameOutsideUtf8IsKeptAndLoggedWithoutException) {
  const std::filesystem::path folder = dir_ / testsupport::AwkwardFolderName();
  std::filesystem::create_directory(folder);
  Write(folder / "record.xml", "<record");
  model::UnreadableFileReport report;
  ASSERT_NO_THROW(report = PreserveUnreadableFile(folder / "record.xml"));
  EXPECT_EQ(report.copy, folder / "record.xml.bad");
  EXPECT_EQ(Read(folder / "record.xml.bad"), "<record");
  EXPECT_NE(log.Text().find("record.xml: unreadable, kept as "), std::string::npos) << log.Text();
}

}  // namespace
