#include "platform/win32/win_filter_device.h"

#include <new>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"

namespace platform::win32 {
namespace {

class WinAbortEvent final : public AbortEvent {
 public:
  explicit WinAbortEvent(UniqueHandle event) : event_(std::move(event)) {}
  void Set() override {
    if (event_ && !SetEvent(event_.get())) LogWinFailure("SetEvent(abort)", GetLastError());
  }
  void Reset() override {
    if (event_ && !ResetEvent(event_.get())) LogWinFailure("ResetEvent(abort)", GetLastError());
  }
  HANDLE get() const { return event_.get(); }

 private:
  UniqueHandle event_;
};

// The device handle, shared by the device and its outstanding requests: a request may still
// need it to cancel itself after the device object is gone.
using SharedHandle = std::shared_ptr<UniqueHandle>;

class WinPendingRequest final : public PendingRequest {
 public:
  WinPendingRequest(SharedHandle device, UniqueHandle event) : device_(std::move(device)), event_(std::move(event)) {
    overlapped_.hEvent = event_.get();
  }
  ~WinPendingRequest() override { Cancel(); }
  WinPendingRequest(const WinPendingRequest&) = delete;
  WinPendingRequest& operator=(const WinPendingRequest&) = delete;

  OVERLAPPED* overlapped() { return &overlapped_; }
  // Called once the submit call returned without the request going pending.
  void MarkEnded() { ended_ = true; }

  End WaitOrAbort(AbortEvent& abort) override {
    End end;
    if (ended_) return end;
    auto* winAbort = dynamic_cast<WinAbortEvent*>(&abort);
    HANDLE waits[2] = {event_.get(), winAbort != nullptr ? winAbort->get() : nullptr};
    const DWORD count = waits[1] != nullptr ? 2 : 1;
    if (winAbort == nullptr) support::LogFailure("PendingRequest::WaitOrAbort", "abort event of another backend");
    // Completion is listed first: when both are signalled, the completed request wins.
    const DWORD wait = WaitForMultipleObjects(count, waits, FALSE, INFINITE);
    if (wait == WAIT_OBJECT_0) return Finish();
    if (wait == WAIT_OBJECT_0 + 1) {
      // The request may complete between the wait and the cancel. Its output is then valid and
      // is handed on (a lost key release would leave its key down), and the abort is set again so
      // that the caller's next wait still sees it.
      const End ended = CancelAndCollect();
      if (ended.kind == End::Kind::kCompleted) {
        winAbort->Set();
        return ended;
      }
      end.kind = End::Kind::kAborted;
      return end;
    }
    end.error = GetLastError();
    LogWinFailure("WaitForMultipleObjects(filter request)", end.error);
    Cancel();
    return end;
  }

  void Cancel() override { CancelAndCollect(); }

 private:
  // Cancels the request when it is still outstanding, waits until it has ended and tells how.
  End CancelAndCollect() {
    if (ended_) return End{};
    if (!HasOverlappedIoCompleted(&overlapped_) && !CancelIoEx(device_->get(), &overlapped_)) {
      const DWORD error = GetLastError();
      if (error != ERROR_NOT_FOUND) {  // not found: it ended meanwhile
        LogWinFailure("CancelIoEx(filter request)", error);
        if (!CancelIo(device_->get())) LogWinFailure("CancelIo(filter request)", GetLastError());
      }
    }
    return Finish();
  }

  // Waits until the request has ended and tells how.
  End Finish() {
    End end;
    DWORD bytes = 0;
    if (GetOverlappedResult(device_->get(), &overlapped_, &bytes, TRUE)) {
      end.kind = End::Kind::kCompleted;
      end.bytesReturned = bytes;
    } else {
      end.kind = End::Kind::kFailed;
      end.error = GetLastError();
    }
    ended_ = true;
    return end;
  }

  SharedHandle device_;
  UniqueHandle event_;
  OVERLAPPED overlapped_{};
  bool ended_ = false;
};

class WinFilterDevice final : public FilterDevice {
 public:
  explicit WinFilterDevice(UniqueHandle handle) : handle_(std::make_shared<UniqueHandle>(std::move(handle))) {}

  // Requests still outstanding end as failed (cancelled); the handle closes with the last of them.
  ~WinFilterDevice() override {
    if (!CancelIoEx(handle_->get(), nullptr) && GetLastError() != ERROR_NOT_FOUND) {
      LogWinFailure("CancelIoEx(filter device)", GetLastError());
    }
  }

  SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                       std::size_t outputSize) override {
    SubmitOutcome outcome;
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) {
      outcome.error = GetLastError();
      LogWinFailure("CreateEventW(filter request)", outcome.error);
      return outcome;
    }
    auto request = std::make_unique<WinPendingRequest>(handle_, std::move(event));
    DWORD bytes = 0;
    const BOOL done = DeviceIoControl(handle_->get(), code, const_cast<void*>(input), static_cast<DWORD>(inputSize),
                                      output, static_cast<DWORD>(outputSize), nullptr, request->overlapped());
    if (done) {
      GetOverlappedResult(handle_->get(), request->overlapped(), &bytes, FALSE);
      request->MarkEnded();
      outcome.kind = SubmitOutcome::Kind::kCompletedAtOnce;
      outcome.bytesReturned = bytes;
      return outcome;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
      request->MarkEnded();
      outcome.error = error;
      LogWinFailure("DeviceIoControl(filter request)", error);
      return outcome;
    }
    outcome.kind = SubmitOutcome::Kind::kPending;
    outcome.pending = std::move(request);
    return outcome;
  }

 private:
  SharedHandle handle_;
};

}  // namespace

std::unique_ptr<AbortEvent> WinFilterDeviceSystem::CreateAbortEvent() {
  UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!event) {
    // Without events nothing can be waited for at all; treat it like running out of memory.
    LogWinFailure("CreateEventW(abort)", GetLastError());
    throw std::bad_alloc();
  }
  return std::make_unique<WinAbortEvent>(std::move(event));
}

std::unique_ptr<FilterDevice> WinFilterDeviceSystem::OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                                      std::uint32_t& error) {
  UniqueHandle handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) {
    error = GetLastError();
    LogWinFailure("CreateFileW(filter device)", error);
    return nullptr;
  }
  error = 0;
  return std::make_unique<WinFilterDevice>(std::move(handle));
}

}  // namespace platform::win32
