#include "support/logger.h"

#include <gtest/gtest.h>

namespace {

TEST(Logger, WideAndNarrowLinesArriveAsUtf8InOrder) {
  support::ScopedLogCapture capture;
  support::LogWide(L"\u5199 handle=%08x\n", 0x1234u);
  support::Log("got classs: guid={%s}\n", "abc");
  support::LogFailure("CreateFileW", "error 5");
  EXPECT_EQ(capture.Text(),
            "\xe5\x86\x99 handle=00001234\n"
            "got classs: guid={abc}\n"
            "CreateFileW failed: error 5\n");
}

}  // namespace
