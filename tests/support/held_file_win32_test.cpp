// A data file another program holds open, as an editor or a virus scanner may: the save fails,
// the file stays as it was, and the result carries Windows' own message for the user.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/atomic_file.h"
#include "tests/common/temp_folder_test.h"

namespace {

class HeldFileTest : public testsupport::TempFolderTest {};

TEST_F(HeldFileTest, ASaveOverAFileHeldOpenWithoutSharingFailsWithTheSystemsMessage) {
  const std::filesystem::path target = File("record.xml");
  Write(target, "old");
  const HANDLE held =
      CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const support::SaveResult result = support::WriteFileAtomically(target, "new");
  CloseHandle(held);
  EXPECT_EQ(result.outcome, support::SaveResult::Outcome::kFailed);
  EXPECT_EQ(result.file, target);
  EXPECT_NE(result.reason, "");
  EXPECT_EQ(result.reason.rfind("Windows error", 0), std::string::npos) << result.reason;  // the system's words
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(EntryCount(), 1u);
}

}  // namespace
