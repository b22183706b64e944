// Output reports through a hidraw handle whose device does not answer (a pipe stands for the node:
// it polls writable, as hidraw always does, and its write blocks until the reader takes the bytes).
#include "platform/linux/hidraw_handle.h"

#include <gtest/gtest.h>

#include "stalled_pipe.h"
#include "support/logger.h"

namespace platform::linux_backend {
namespace {

using namespace std::chrono_literals;
using kbtest::Pattern;
using kbtest::ReturnsWhileStalled;
using kbtest::StalledPipe;

HidrawNode Node() {
  HidrawNode node;
  node.devnode = "/dev/hidraw7";
  node.collections.emplace_back();
  return node;
}

class HidrawHandleWrite : public ::testing::Test {
 protected:
  // The handle writes into the pipe; a report of more than a page stalls.
  StalledPipe pipe;
  HidrawHandle handle{pipe.ReleaseWriteFd(), Node(), 0};
  support::ScopedLogCapture log;
};

TEST_F(HidrawHandleWrite, AKeyboardThatDoesNotAnswerCostsTheLimitAndTheLogSaysSo) {
  ASSERT_TRUE(pipe.IsOpen());
  const auto report = Pattern(StalledPipe::kBlockingSize, 5);
  const auto outcome = ReturnsWhileStalled(pipe, [&] { return handle.Write(report.data(), report.size(), 200ms); });
  ASSERT_TRUE(outcome) << "the write blocked past its 200 ms limit";
  EXPECT_EQ(outcome->kind, WriteOutcome::Kind::kTimedOut);
  EXPECT_EQ(outcome->bytesWritten, 0u);
  EXPECT_NE(log.Text().find("write hidraw failed: /dev/hidraw7: the device did not take the report within 200 ms"),
            std::string::npos)
      << log.Text();

  // A second report while the first still blocks is not sent, and the log says why.
  log.Clear();
  const auto eight = Pattern(8, 0x70);
  const auto refused = ReturnsWhileStalled(pipe, [&] { return handle.Write(eight.data(), eight.size(), 100ms); });
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->kind, WriteOutcome::Kind::kTimedOut);
  EXPECT_NE(log.Text().find("an abandoned write still blocks"), std::string::npos) << log.Text();

  // The keyboard answers at last: the first report arrives whole, and the next write goes through.
  EXPECT_EQ(pipe.Read(report.size()), report);
  const auto next = handle.Write(eight.data(), eight.size(), 3000ms);
  EXPECT_EQ(next.kind, WriteOutcome::Kind::kCompletedAtOnce);
  EXPECT_EQ(next.bytesWritten, 8u);
  EXPECT_EQ(pipe.Read(8), eight);
  EXPECT_TRUE(handle.Close());
  EXPECT_TRUE(pipe.AtEndWithin(5000));
}

TEST_F(HidrawHandleWrite, ClosingWhileAWriteBlocksReturnsAtOnce) {
  ASSERT_TRUE(pipe.IsOpen());
  const auto report = Pattern(StalledPipe::kBlockingSize, 11);
  const auto outcome = ReturnsWhileStalled(pipe, [&] { return handle.Write(report.data(), report.size(), 100ms); });
  ASSERT_TRUE(outcome);
  ASSERT_EQ(outcome->kind, WriteOutcome::Kind::kTimedOut);

  const auto closed = ReturnsWhileStalled(pipe, [&] { return handle.Close(); });
  ASSERT_TRUE(closed) << "Close waited for the blocked write";
  EXPECT_TRUE(*closed);
  EXPECT_EQ(pipe.Read(report.size()), report);
  EXPECT_TRUE(pipe.AtEndWithin(5000));
  const auto afterClose = handle.Write(report.data(), 8, 100ms);
  EXPECT_EQ(afterClose.kind, WriteOutcome::Kind::kFailed);
}

}  // namespace
}  // namespace platform::linux_backend
