#pragma once
// The operating system's HID class, as the device link needs it: list interfaces, open one,
// read its attributes and capabilities, move feature and output reports, watch arrivals.
// Paths keep the Windows interface-path form on every backend.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/subscription.h"

namespace platform {

// Access bits (top byte of the device mode word) and share bits (low byte).
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kShareRead = 0x1;
inline constexpr std::uint32_t kShareWrite = 0x2;

// One present interface of the listed class. `path` is empty when its detail could not be read.
struct HidInterfaceEntry {
  std::optional<std::wstring> path;
  Guid interfaceClassGuid;
  std::uint32_t flags = 0;
};

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
};

struct HidCaps {
  std::uint16_t usage = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t inputReportByteLength = 0;
  std::uint16_t outputReportByteLength = 0;
  std::uint16_t featureReportByteLength = 0;
};

// How an output-report write ended.
struct WriteOutcome {
  enum class Kind {
    kCompletedAtOnce,    // finished inside the write call
    kCompletedAfterWait, // went pending, finished within the time limit
    kFailed,             // refused; `error` holds the OS error code
    kTimedOut,           // still pending at the limit: cancelled and waited for until it ended, or,
                         // where the system cannot cancel it, left to end on its own with its own
                         // copy of the bytes
  };
  Kind kind = Kind::kFailed;
  std::uint32_t bytesWritten = 0;
  std::uint32_t error = 0;
};

// An open HID interface. Destroying it closes the handle.
class HidHandle {
 public:
  virtual ~HidHandle() = default;
  // The OS handle value, for log lines only.
  virtual std::uintptr_t NativeValue() const = 0;
  virtual bool GetAttributes(HidAttributes& attributes) = 0;
  virtual bool GetCaps(HidCaps& caps) = 0;
  virtual bool GetFeature(std::uint8_t* buffer, std::size_t length) = 0;
  virtual bool SetFeature(const std::uint8_t* buffer, std::size_t length) = 0;
  virtual WriteOutcome Write(const std::uint8_t* buffer, std::size_t length, std::chrono::milliseconds limit) = 0;
  // Closes now; false (and the handle stays open) when the OS refused.
  virtual bool Close() = 0;
};

enum class DeviceChange { kArrival, kRemoval };

class HidSystem {
 public:
  virtual ~HidSystem() = default;

  // Present interfaces of the HID class in the system's enumeration order. Returns false when the
  // class's device set could not be obtained. `classGuid` receives the class that was listed.
  virtual bool ListInterfaces(std::vector<HidInterfaceEntry>& out, Guid& classGuid) = 0;

  // Opens an interface path. `access` is a mask of kGenericRead/kGenericWrite (0 = query only),
  // `share` of kShareRead/kShareWrite. Null when it cannot be opened; `error` gets the OS error.
  virtual std::unique_ptr<HidHandle> Open(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                                          std::uint32_t& error) = 0;

  // Calls `onChange` (from any thread) when an interface of the HID class arrives or goes away.
  // A backend that hears of other interface classes passes them on too (Windows: every class,
  // the key filter's keyboard interface among them); callers tell them apart by the path.
  virtual std::unique_ptr<Subscription> WatchInterfaces(
      std::function<void(DeviceChange change, const std::wstring& path)> onChange) = 0;
};

// The HID class of the backend this program is linked with.
HidSystem& DefaultHidSystem();

}  // namespace platform
