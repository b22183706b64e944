// A data file another program holds open, as an editor or a virus scanner may: the save fails,
// the file stays as it was, and the result carries Windows' own message for the user.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/atomic_file.h"
#include "tests/common/temp_folder_test.h"

namespace {

class HeldFileTest : public testsupport::TempFolderTest {};

TEST_F(HeldFileTest, ASaveOverAFileHeldOpenWithoutSharingFailsWithTheSystemsMessage) {
  Write(File("record.xml"), "old");
  const HANDLE held = CreateFileW(File("record.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const support::SaveResult result = support::WriteFileAtomically(File("record.xml"), "new");
  CloseHandle(held);
  EXPECT_EQ(result.outcome, support::SaveResult::Outcome::kFailed);
  EXPECT_TRUE(!result.reason.empty() && !result.reason.starts_with("Windows error")) << result.reason;
  EXPECT_EQ(Read(File("record.xml")), "old");
}

}  // namespace
