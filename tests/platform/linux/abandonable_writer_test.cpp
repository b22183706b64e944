#include "platform/linux/abandonable_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "stalled_pipe.h"

namespace platform::linux_backend {
namespace {

using namespace std::chrono_literals;
using Kind = AbandonableWriter::Result::Kind;
using kbtest::Pattern;
using kbtest::ReturnsWhileStalled;
using kbtest::StalledPipe;

std::unique_ptr<AbandonableWriter> WriterOn(int fd) {
  int error = 0;
  auto writer = AbandonableWriter::Create(fd, error);
  EXPECT_TRUE(writer) << "error " << error;
  return writer;
}

// A writer on a pipe that stalls writes of more than a page.
class AbandonableWriterOnPipe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pipe.IsOpen());
    writer = WriterOn(pipe.WriteFd());
    ASSERT_TRUE(writer);
  }

  StalledPipe pipe;
  std::unique_ptr<AbandonableWriter> writer;
};

TEST_F(AbandonableWriterOnPipe, AWriteTheDeviceTakesInTimeReportsItsBytes) {
  const auto report = Pattern(8, 0x07);
  const auto result = writer->Write(report, 3000ms);
  EXPECT_EQ(result.kind, Kind::kWritten);
  EXPECT_EQ(result.bytesWritten, 8u);
  EXPECT_EQ(pipe.Read(8), report);
}

TEST_F(AbandonableWriterOnPipe, ABlockedWriteIsAbandonedAtTheLimitAndEndsLaterWithItsOwnCopyOfTheBytes) {
  std::vector<std::uint8_t> buffer = Pattern(StalledPipe::kBlockingSize, 1);
  const std::vector<std::uint8_t> sent = buffer;

  const auto result = ReturnsWhileStalled(pipe, [&] { return writer->Write(buffer, 100ms); });
  ASSERT_TRUE(result) << "the write blocked past its limit";
  EXPECT_EQ(result->kind, Kind::kTimedOut);

  std::fill(buffer.begin(), buffer.end(), 0);  // the caller reuses its buffer at once
  EXPECT_EQ(pipe.Read(sent.size()), sent);     // the device answers: the abandoned write ends whole

  const auto next = Pattern(8, 0x40);
  EXPECT_EQ(writer->Write(next, 3000ms).kind, Kind::kWritten);
  EXPECT_EQ(pipe.Read(8), next);
}

TEST_F(AbandonableWriterOnPipe, WhileAnAbandonedWriteStillBlocksTheNextIsNotSentAndOrderIsKept) {
  const auto first = Pattern(StalledPipe::kBlockingSize, 3);
  const auto refused = Pattern(8, 0x50);
  const auto last = Pattern(8, 0x90);

  const auto blocked = ReturnsWhileStalled(pipe, [&] { return writer->Write(first, 100ms); });
  ASSERT_TRUE(blocked);
  EXPECT_EQ(blocked->kind, Kind::kTimedOut);
  const auto second = ReturnsWhileStalled(pipe, [&] { return writer->Write(refused, 100ms); });
  ASSERT_TRUE(second);
  EXPECT_EQ(second->kind, Kind::kPreviousStillBlocked);

  EXPECT_EQ(pipe.Read(first.size()), first);
  EXPECT_EQ(writer->Write(last, 3000ms).kind, Kind::kWritten);
  EXPECT_EQ(pipe.Read(8), last);  // the refused report never went out
}

TEST(AbandonableWriter, DestroyedWhileAWriteBlocksItReturnsAtOnceAndTheWriteStillEndsAndClosesItsDescriptor) {
  StalledPipe pipe;
  ASSERT_TRUE(pipe.IsOpen());
  const int ownFd = pipe.ReleaseWriteFd();
  auto writer = WriterOn(ownFd);
  ASSERT_TRUE(writer);
  const auto sent = Pattern(StalledPipe::kBlockingSize, 9);
  const auto blocked = ReturnsWhileStalled(pipe, [&] { return writer->Write(sent, 100ms); });
  ASSERT_TRUE(blocked);
  ASSERT_EQ(blocked->kind, Kind::kTimedOut);
  ASSERT_EQ(::close(ownFd), 0);  // the caller's descriptor is free: the writer has its own

  const auto destroyed = ReturnsWhileStalled(pipe, [&] {
    writer.reset();
    return true;
  });
  EXPECT_TRUE(destroyed) << "destruction waited for the blocked write";
  EXPECT_EQ(pipe.Read(sent.size()), sent);
  EXPECT_TRUE(pipe.AtEndWithin(5000)) << "the writer's descriptor was not closed after its write ended";
}

TEST(AbandonableWriter, AFailedWriteReportsTheSystemsError) {
  const int readOnly = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(readOnly, 0);
  auto writer = WriterOn(readOnly);
  ASSERT_TRUE(writer);
  const auto result = writer->Write(Pattern(8, 0), 3000ms);
  EXPECT_EQ(result.kind, Kind::kFailed);
  EXPECT_EQ(result.error, EBADF);
  writer.reset();
  ::close(readOnly);
}

TEST(AbandonableWriter, ADescriptorThatIsNotOpenGivesNoWriter) {
  int error = 0;
  EXPECT_FALSE(AbandonableWriter::Create(-1, error));
  EXPECT_EQ(error, EBADF);
}

}  // namespace
}  // namespace platform::linux_backend
