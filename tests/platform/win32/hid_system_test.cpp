// The HID class of the real system: listing through SetupAPI, opening with CreateFileW, and the
// time-limited overlapped write (driven through a named pipe that never reads).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/discovery/enumerate_hid_interfaces.h"
#include "platform/hid.h"
#include "platform/win32/interface_detail.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_hid_system.h"
#include "support/logger.h"
#include "win32_test_support.h"

namespace {

using platform::win32::UniqueHandle;
using platform::win32::WinHidSystem;

TEST(WinHidSystemTest, ListsTheHidClassAsAWellFormedList) {
  WinHidSystem system;
  std::vector<platform::HidInterfaceEntry> entries(3);  // stale content must be dropped
  platform::Guid classGuid;
  ASSERT_TRUE(system.ListInterfaces(entries, classGuid));
  EXPECT_EQ(classGuid, platform::kHidInterfaceClass);
  for (const auto& entry : entries) {
    EXPECT_EQ(entry.interfaceClassGuid, platform::kHidInterfaceClass);
    if (entry.path) {
      EXPECT_FALSE(entry.path->empty());
      EXPECT_EQ(entry.path->find(L'\0'), std::wstring::npos);
    }
  }
  // Listing twice gives the same interfaces in the same order.
  std::vector<platform::HidInterfaceEntry> again;
  ASSERT_TRUE(system.ListInterfaces(again, classGuid));
  ASSERT_EQ(again.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(again[i].path, entries[i].path);
}

TEST(WinHidSystemTest, DiscoveryOverTheRealSystemFindsNoKeyboardOfAnUnknownVendor) {
  WinHidSystem system;
  const std::int32_t pids[] = {0x0C3D};
  EXPECT_TRUE(device::EnumerateHidInterfaces(system, 0x7FFF, pids, -1, -1).empty());
}

TEST(WinHidSystemTest, InterfaceDetailHeaderMatchesTheBuildWidth) {
  EXPECT_EQ(platform::win32::kInterfaceDetailHeaderSize, sizeof(void*) == 8 ? 8u : 6u);
}

TEST(WinHidSystemTest, OpeningAMissingPathFailsWithTheSystemErrorAndLogsIt) {
  WinHidSystem system;
  support::ScopedLogCapture log;
  std::uint32_t error = 0;
  auto handle = system.Open(L"\\\\?\\hid#vid_7fff&pid_0001#0&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                            platform::kGenericRead | platform::kGenericWrite,
                            platform::kShareRead | platform::kShareWrite, error);
  EXPECT_EQ(handle, nullptr);
  EXPECT_NE(error, 0u);
  EXPECT_NE(log.Text().find("CreateFileW(HID interface) failed: Windows error " + std::to_string(error)),
            std::string::npos)
      << log.Text();
}

// A pipe whose server end never reads: a write bigger than its buffer stays pending.
class StalledPipe {
 public:
  StalledPipe() : name_(L"\\\\.\\pipe\\" + win32_test::UniqueName(L"kbconfig-hid-write")) {
    server_ = UniqueHandle(CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 1, 1, 0, nullptr));
  }
  const std::wstring& name() const { return name_; }
  HANDLE server() const { return server_.get(); }
  bool valid() const { return server_.valid(); }

 private:
  std::wstring name_;
  UniqueHandle server_;
};

TEST(WinHidSystemTest, WriteStillPendingAtTheLimitIsCancelledAndReportedAsTimedOut) {
  StalledPipe pipe;
  ASSERT_TRUE(pipe.valid()) << GetLastError();
  WinHidSystem system;
  std::uint32_t error = 0;
  auto handle = system.Open(pipe.name(), platform::kGenericRead | platform::kGenericWrite, 0, error);
  ASSERT_NE(handle, nullptr) << error;

  std::vector<std::uint8_t> report(64 * 1024, 0x5A);  // far more than the pipe buffers
  const platform::WriteOutcome outcome = handle->Write(report.data(), report.size(), std::chrono::milliseconds(200));
  EXPECT_EQ(outcome.kind, platform::WriteOutcome::Kind::kTimedOut);
  EXPECT_EQ(outcome.bytesWritten, 0u);
  EXPECT_EQ(outcome.error, static_cast<std::uint32_t>(ERROR_TIMEOUT));
  // The cancelled write has ended, so the handle closes at once.
  EXPECT_TRUE(handle->Close());
}

TEST(WinHidSystemTest, WriteThatTheReaderTakesCompletesWithItsByteCount) {
  StalledPipe pipe;
  ASSERT_TRUE(pipe.valid()) << GetLastError();
  WinHidSystem system;
  std::uint32_t error = 0;
  auto handle = system.Open(pipe.name(), platform::kGenericRead | platform::kGenericWrite, 0, error);
  ASSERT_NE(handle, nullptr) << error;

  std::vector<std::uint8_t> report(4096);
  for (std::size_t i = 0; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> received;
  std::thread reader([&] {
    std::uint8_t chunk[512];
    while (received.size() < report.size()) {
      OVERLAPPED overlapped{};
      UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
      overlapped.hEvent = event.get();
      DWORD got = 0;
      if (!ReadFile(pipe.server(), chunk, sizeof(chunk), nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING)
        return;
      if (!GetOverlappedResult(pipe.server(), &overlapped, &got, TRUE)) return;
      received.insert(received.end(), chunk, chunk + got);
    }
  });
  const platform::WriteOutcome outcome = handle->Write(report.data(), report.size(), std::chrono::seconds(60));
  reader.join();
  EXPECT_TRUE(outcome.kind == platform::WriteOutcome::Kind::kCompletedAfterWait ||
              outcome.kind == platform::WriteOutcome::Kind::kCompletedAtOnce);
  EXPECT_EQ(outcome.bytesWritten, report.size());
  EXPECT_EQ(received, report);
}

TEST(WinHidSystemTest, HidCallsOnAHandleThatIsNotAHidDeviceFailAndAreLogged) {
  StalledPipe pipe;
  ASSERT_TRUE(pipe.valid()) << GetLastError();
  WinHidSystem system;
  std::uint32_t error = 0;
  auto handle = system.Open(pipe.name(), platform::kGenericRead | platform::kGenericWrite, 0, error);
  ASSERT_NE(handle, nullptr) << error;
  support::ScopedLogCapture log;
  std::uint8_t buffer[8] = {7};
  EXPECT_FALSE(handle->GetFeature(buffer, sizeof(buffer)));
  EXPECT_FALSE(handle->SetFeature(buffer, sizeof(buffer)));
  platform::HidCaps caps;
  caps.usagePage = 0x1234;
  EXPECT_FALSE(handle->GetCaps(caps));
  EXPECT_EQ(caps.usagePage, 0x1234);  // left as it was
  EXPECT_NE(log.Text().find("HidD_GetFeature failed"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("HidD_SetFeature failed"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("HidD_GetPreparsedData failed"), std::string::npos) << log.Text();
}

}  // namespace
