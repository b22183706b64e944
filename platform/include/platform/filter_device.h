#pragma once
// The key filter driver's control device ("\\.\vhidflt"), as the key filter channel needs it:
// open it with an access word, submit buffered control requests, and wait for a request that went
// pending until it completes or an abort event is set.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/input_path.h"

namespace platform {

// An auto-reset event that cuts a wait short. Set() may be called from any thread; a set event
// stays set until one wait consumes it or Reset() clears it.
class AbortEvent {
 public:
  virtual ~AbortEvent() = default;
  virtual void Set() = 0;
  virtual void Reset() = 0;
};

// A control request that went pending. Its buffers must stay valid while it lives. Destroying it
// while it is still outstanding cancels it and waits until it has ended.
class PendingRequest {
 public:
  struct End {
    enum class Kind {
      kCompleted,  // the driver completed it; `bytesReturned` bytes of output are valid
      kAborted,    // the abort event was set first: the request was cancelled and has ended
      kFailed,     // it ended with an error (cancelled by the system, handle closed, ...)
    };
    Kind kind = Kind::kFailed;
    std::uint32_t bytesReturned = 0;
    std::uint32_t error = 0;
  };

  virtual ~PendingRequest() = default;
  // Waits without time limit for the first of: completion, or `abort` being set (which the wait
  // consumes). On abort the request is cancelled and waited for until it has ended.
  virtual End WaitOrAbort(AbortEvent& abort) = 0;
  // Cancels the request (when still outstanding) and waits until it has ended.
  virtual void Cancel() = 0;
};

// How a submitted request started.
struct SubmitOutcome {
  enum class Kind {
    kPending,          // went pending; `pending` waits for it
    kCompletedAtOnce,  // finished inside the submit call
    kFailed,           // refused; `error` holds the OS error code
  };
  Kind kind = Kind::kFailed;
  std::uint32_t error = 0;
  std::uint32_t bytesReturned = 0;
  std::unique_ptr<PendingRequest> pending;
};

// One open handle on the filter device. Destroying it closes the handle; requests still
// outstanding on it end as failed.
class FilterDevice {
 public:
  virtual ~FilterDevice() = default;
  // Submits one buffered control request. `input`/`output` may be null with size 0.
  virtual SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                               std::size_t outputSize) = 0;
};

class FilterDeviceSystem {
 public:
  virtual ~FilterDeviceSystem() = default;
  // A new abort event, not set. Never null.
  virtual std::unique_ptr<AbortEvent> CreateAbortEvent() = 0;
  // Opens the device for overlapped requests with read and write sharing. `access` is a mask of
  // kGenericRead/kGenericWrite (platform/hid.h). Null when it cannot be opened; `error` gets the
  // OS error.
  virtual std::unique_ptr<FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                         std::uint32_t& error) = 0;
  // The way this filter takes keys (what the main window tells the user). A filter device is the
  // kernel driver unless it says otherwise.
  virtual InputPath Path() const { return InputPath::kKernelDrivers; }
};

// The filter device of the backend this program is linked with.
FilterDeviceSystem& DefaultFilterDeviceSystem();

}  // namespace platform
