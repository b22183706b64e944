#pragma once
// Present HID interfaces opened for whole, synchronous output-report writes: what the program
// needs to find its own virtual HID device and send it 64-byte reports.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/hid.h"

namespace platform {

// How listing the present interfaces of a class went.
struct InterfaceListOutcome {
  enum class Kind {
    kListed,      // `paths` holds the list (possibly after a failed open of none)
    kSizeFailed,  // the size of the list could not be read; `error` holds the code
    kEmpty,       // no present interface of the class
    kNoMemory,    // the list could not be allocated
    kListFailed,  // the list could not be read; `error` holds the code
  };
  Kind kind = Kind::kListFailed;
  std::uint32_t error = 0;
};

enum class CapsOutcome {
  kRead,
  kNoPreparsedData,  // the descriptor data could not be obtained
  kCapsFailed,       // the descriptor data was obtained but its capabilities could not be read
};

// One interface opened for read and write without overlapped I/O. Destroying it closes it.
class ReportDevice {
 public:
  virtual ~ReportDevice() = default;
  virtual bool GetAttributes(HidAttributes& attributes) = 0;
  virtual CapsOutcome GetCaps(HidCaps& caps) = 0;
  // Writes the whole report and returns when the write has ended. False with `error` set when it
  // failed.
  virtual bool WriteReport(const std::uint8_t* report, std::size_t length, std::uint32_t& error) = 0;
};

class ReportDeviceSystem {
 public:
  virtual ~ReportDeviceSystem() = default;
  // The interface class of HID devices.
  virtual Guid HidClassGuid() = 0;
  // Paths of the present interfaces of `interfaceClass`, in the system's order.
  virtual InterfaceListOutcome ListPresentInterfaces(const Guid& interfaceClass, std::vector<std::wstring>& paths) = 0;
  // Opens a path for read and write with read and write sharing. Null with `error` set on failure.
  virtual std::unique_ptr<ReportDevice> OpenReportDevice(const std::wstring& path, std::uint32_t& error) = 0;
};

// The report devices of the backend this program is linked with.
ReportDeviceSystem& DefaultReportDeviceSystem();

}  // namespace platform
