// Overlapped control requests with abort events, on a device every Windows system has: the
// named-pipe file system. Its "wait for a pipe instance" request (FSCTL_PIPE_WAIT) goes pending
// until an instance of the named pipe is free, like the key filter's key-event read waits for a
// key, so submit, completion, abort and cancellation all run through the real calls.
// Wine cannot cancel this particular request (Windows can); there a cancelled wait ends when the
// pipe's default wait time runs out, which is kept short for that reason.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/hid.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_filter_device.h"
#include "support/logger.h"
#include "win32_test_support.h"

namespace {

using platform::PendingRequest;
using platform::SubmitOutcome;
using platform::win32::UniqueHandle;
using platform::win32::WinFilterDeviceSystem;

constexpr std::uint32_t kPipeWaitRequest = 0x00110018;  // FSCTL_PIPE_WAIT
// How long a wait for the pipe lasts on its own. Long enough that a test's next step always comes
// first; it only bounds a cancelled wait under Wine.
constexpr DWORD kPipeWaitMs = 3000;

// The input of FSCTL_PIPE_WAIT (FILE_PIPE_WAIT_FOR_BUFFER): no time limit of its own, then the
// pipe's name below \\.\pipe\.
struct PipeWaitHeader {
  LARGE_INTEGER timeout;
  ULONG nameLength;
  BOOLEAN timeoutSpecified;
  WCHAR name[1];
};

std::vector<std::uint8_t> PipeWaitInput(const std::wstring& name) {
  const std::size_t nameBytes = name.size() * sizeof(wchar_t);
  std::vector<std::uint8_t> input(offsetof(PipeWaitHeader, name) + nameBytes, 0);
  PipeWaitHeader header{};
  header.nameLength = static_cast<ULONG>(nameBytes);
  header.timeoutSpecified = FALSE;
  std::memcpy(input.data(), &header, offsetof(PipeWaitHeader, name));
  std::memcpy(input.data() + offsetof(PipeWaitHeader, name), name.data(), nameBytes);
  return input;
}

// A named pipe whose only instance is taken by a client, so waiting for it goes pending until a
// second instance is created.
class BusyPipe {
 public:
  BusyPipe() : name_(win32_test::UniqueName(L"kbconfig-filter")) {
    first_ = CreateInstance();
    client_ = UniqueHandle(CreateFileW(path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
  }
  bool valid() const { return first_.valid() && client_.valid(); }
  const std::wstring& name() const { return name_; }
  std::wstring path() const { return L"\\\\.\\pipe\\" + name_; }
  // A new free instance: pending waits for the pipe complete.
  UniqueHandle CreateInstance() const {
    return UniqueHandle(CreateNamedPipeW(path().c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                         PIPE_UNLIMITED_INSTANCES, 64, 64, kPipeWaitMs, nullptr));
  }

 private:
  std::wstring name_;
  UniqueHandle first_;
  UniqueHandle client_;
};

class WinFilterDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pipe_.valid()) << GetLastError();
    std::uint32_t error = 0;
    device_ = system_.OpenFilterDevice(L"\\\\.\\pipe\\", platform::kGenericRead, error);
    ASSERT_NE(device_, nullptr) << "the pipe file system did not open: " << error;
    input_ = PipeWaitInput(pipe_.name());
  }

  SubmitOutcome SubmitWait() { return device_->Submit(kPipeWaitRequest, input_.data(), input_.size(), nullptr, 0); }

  WinFilterDeviceSystem system_;
  BusyPipe pipe_;
  std::unique_ptr<platform::FilterDevice> device_;
  std::vector<std::uint8_t> input_;
};

TEST_F(WinFilterDeviceTest, PendingRequestCompletesWhenItsConditionComes) {
  SubmitOutcome outcome = SubmitWait();
  ASSERT_EQ(outcome.kind, SubmitOutcome::Kind::kPending) << outcome.error;
  ASSERT_NE(outcome.pending, nullptr);
  auto abort = system_.CreateAbortEvent();
  UniqueHandle second = pipe_.CreateInstance();
  ASSERT_TRUE(second.valid());
  const PendingRequest::End end = outcome.pending->WaitOrAbort(*abort);
  EXPECT_EQ(end.kind, PendingRequest::End::Kind::kCompleted);
}

TEST_F(WinFilterDeviceTest, AbortEventCancelsThePendingRequestAndIsConsumed) {
  SubmitOutcome outcome = SubmitWait();
  ASSERT_EQ(outcome.kind, SubmitOutcome::Kind::kPending) << outcome.error;
  auto abort = system_.CreateAbortEvent();
  std::thread setter([&] { abort->Set(); });
  const PendingRequest::End end = outcome.pending->WaitOrAbort(*abort);
  setter.join();
  EXPECT_EQ(end.kind, PendingRequest::End::Kind::kAborted);

  // The set was consumed by that wait: the next request waits for its own completion.
  SubmitOutcome next = SubmitWait();
  ASSERT_EQ(next.kind, SubmitOutcome::Kind::kPending) << next.error;
  UniqueHandle second = pipe_.CreateInstance();
  EXPECT_EQ(next.pending->WaitOrAbort(*abort).kind, PendingRequest::End::Kind::kCompleted);
}

TEST_F(WinFilterDeviceTest, ResetClearsAnAbortSetBeforeTheWait) {
  auto abort = system_.CreateAbortEvent();
  abort->Set();
  abort->Reset();
  SubmitOutcome outcome = SubmitWait();
  ASSERT_EQ(outcome.kind, SubmitOutcome::Kind::kPending) << outcome.error;
  UniqueHandle second = pipe_.CreateInstance();
  EXPECT_EQ(outcome.pending->WaitOrAbort(*abort).kind, PendingRequest::End::Kind::kCompleted);
}

TEST_F(WinFilterDeviceTest, DroppingOrCancellingAnOutstandingRequestEndsItCleanly) {
  {
    SubmitOutcome outcome = SubmitWait();
    ASSERT_EQ(outcome.kind, SubmitOutcome::Kind::kPending) << outcome.error;
    outcome.pending->Cancel();
    outcome.pending->Cancel();  // a second cancel of an ended request does nothing
  }
  {
    SubmitOutcome outcome = SubmitWait();
    ASSERT_EQ(outcome.kind, SubmitOutcome::Kind::kPending) << outcome.error;
  }  // destroyed while outstanding: cancelled and waited for
  // Neither left anything pending behind: closing the device does not hang and a new request works.
  SubmitOutcome outcome = SubmitWait();
  ASSERT_EQ(outcome.kind, SubmitOutcome::Kind::kPending) << outcome.error;
  auto abort = system_.CreateAbortEvent();
  UniqueHandle second = pipe_.CreateInstance();
  EXPECT_EQ(outcome.pending->WaitOrAbort(*abort).kind, PendingRequest::End::Kind::kCompleted);
}

TEST_F(WinFilterDeviceTest, ClosingTheDeviceEndsItsOutstandingRequestsAsFailed) {
  SubmitOutcome outcome = SubmitWait();
  ASSERT_EQ(outcome.kind, SubmitOutcome::Kind::kPending) << outcome.error;
  device_.reset();
  auto abort = system_.CreateAbortEvent();
  const PendingRequest::End end = outcome.pending->WaitOrAbort(*abort);
  EXPECT_EQ(end.kind, PendingRequest::End::Kind::kFailed);
  EXPECT_NE(end.error, 0u);  // cancelled (Windows), or the wait ran out (Wine)
}

TEST_F(WinFilterDeviceTest, RefusedRequestReportsTheSystemError) {
  support::ScopedLogCapture log;
  const SubmitOutcome outcome = device_->Submit(0x0022E3FF, nullptr, 0, nullptr, 0);  // no such request
  EXPECT_EQ(outcome.kind, SubmitOutcome::Kind::kFailed);
  EXPECT_NE(outcome.error, 0u);
  EXPECT_EQ(outcome.pending, nullptr);
  EXPECT_NE(log.Text().find("DeviceIoControl(filter request) failed: Windows error " + std::to_string(outcome.error)),
            std::string::npos)
      << log.Text();
}

TEST(WinFilterDeviceSystemTest, AbsentDeviceDoesNotOpen) {
  WinFilterDeviceSystem system;
  std::uint32_t error = 0;
  EXPECT_EQ(system.OpenFilterDevice(L"\\\\.\\vhidflt", platform::kGenericRead | platform::kGenericWrite, error),
            nullptr);
  EXPECT_NE(error, 0u);
}

}  // namespace
