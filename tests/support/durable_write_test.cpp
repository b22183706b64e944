// The system calls of a save, seen through the linker's --wrap of fsync and rename: the new file's
// bytes are synced before it is renamed over the old one, and the folder is synced after, so a
// power cut leaves the old or the new version. A failed sync is a failed save.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "support/atomic_file.h"
#include "support/logger.h"
#include "tests/common/temp_folder_test.h"

namespace {

struct Call {
  std::string what;  // "fsync" or "rename"
  std::string path;  // what was synced, or the rename's source
  std::string to;    // the rename's target
  bool operator==(const Call&) const = default;
};

std::vector<Call> g_calls;
int g_failFsyncNumber = 0;  // 1 for the first fsync of a save, 2 for the second; 0 for none
int g_fsyncs = 0;

std::string PathOfDescriptor(int fd) {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}

}  // namespace

extern "C" {
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);

int __wrap_fsync(int fd) {
  g_calls.push_back(Call{"fsync", PathOfDescriptor(fd), ""});
  if (++g_fsyncs == g_failFsyncNumber) {
    errno = EIO;
    return -1;
  }
  return __real_fsync(fd);
}

int __wrap_rename(const char* from, const char* to) {
  g_calls.push_back(Call{"rename", from, to});
  return __real_rename(from, to);
}
}

namespace {

class DurableWriteTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    testsupport::TempFolderTest::SetUp();
    // Paths as the kernel names them (the temporary folder may lie behind a link).
    folder = std::filesystem::canonical(dir_);
    target = folder / "record.xml";
    Write(target, "old version");
    g_calls.clear();
    g_fsyncs = 0;
    g_failFsyncNumber = 0;
  }
  void TearDown() override { g_failFsyncNumber = 0; }

  std::filesystem::path folder;
  std::filesystem::path target;
  support::ScopedLogCapture log;
};

TEST_F(DurableWriteTest, TheNewFileIsSyncedBeforeTheRenameAndTheFolderAfterIt) {
  ASSERT_TRUE(support::WriteFileAtomically(target, "new version"));
  ASSERT_EQ(g_calls.size(), 3u);
  const std::string temporary = g_calls[0].path;
  EXPECT_EQ(temporary.rfind(target.string() + ".tmp-", 0), 0u) << temporary;
  const std::vector<Call> expected = {
      {"fsync", temporary, ""},
      {"rename", temporary, target.string()},
      {"fsync", folder.string(), ""},
  };
  EXPECT_EQ(g_calls, expected);
  EXPECT_EQ(Read(target), "new version");
  EXPECT_EQ(EntryCount(), 1u);

  // A save killed between its sync and its rename leaves that very name behind: the next start
  // removes it.
  Write(std::filesystem::path(temporary), "half a save");
  EXPECT_EQ(support::RemoveLeftoverTemporaries(target), 1);
  EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(DurableWriteTest, AFailedSyncOfTheNewFileKeepsTheOldVersionAndLeavesNoTemporary) {
  g_failFsyncNumber = 1;
  EXPECT_FALSE(support::WriteFileAtomically(target, "new version"));
  ASSERT_EQ(g_calls.size(), 1u) << "no rename after a failed sync";
  EXPECT_EQ(Read(target), "old version");
  EXPECT_EQ(EntryCount(), 1u);
  EXPECT_NE(log.Text().find("fsync failed: " + g_calls[0].path), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("record.xml: not saved, the file is as it was"), std::string::npos) << log.Text();
}

TEST_F(DurableWriteTest, AFailedSyncOfTheFolderIsAFailedSaveThoughTheNewVersionIsInPlace) {
  g_failFsyncNumber = 2;
  EXPECT_FALSE(support::WriteFileAtomically(target, "new version"));
  EXPECT_EQ(Read(target), "new version");
  EXPECT_EQ(EntryCount(), 1u);
  EXPECT_NE(log.Text().find("fsync(folder) failed: " + folder.string()), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("record.xml: saved, but a power cut now may undo it"), std::string::npos)
      << log.Text();
}

}  // namespace
