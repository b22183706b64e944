#pragma once
// The transport to the keyboard: one open HID interface and the 8-byte reports moved over it.
//
// Every operation runs under a named mutex called after the operation ("HidDevice::Open",
// "HidDevice::Close", "HidDevice::Write", "HidDevice::GetFeature", "HidDevice::SetFeature"), so
// calls from different threads are ordered. The mutexes are recursive: OpenBySelector holds
// "HidDevice::Open" around its enumeration and its Open, and a caller may hold it around both too.
// Inside, one private lock guards the handle, so an Open or Close never pulls the handle away
// under a running Write or feature call.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "model/config/device_selector.h"
#include "platform/hid.h"
#include "platform/named_mutex.h"

namespace device {

// An 8-byte report; byte 0 is the report ID.
using Report = std::array<std::uint8_t, 8>;

// Read and write access, read and write sharing: the mode word every caller passes.
inline constexpr std::uint32_t kReadWriteShared = 0xC0000003;

class HidDevice {
 public:
  enum class HandleState {
    kNotOpen,     // never opened, or closed
    kOpen,        // a usable handle
    kFailedOpen,  // the last Open failed; calls fail until the next Open or Close
  };

  explicit HidDevice(platform::HidSystem& system);
  ~HidDevice();
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  // Opens `path`, dropping any handle held before. `mode` packs the access bits in its top byte
  // and the share bits in its low byte. False (state kFailedOpen) when the path does not open;
  // an empty path returns false and changes nothing.
  bool Open(const std::wstring& path, std::uint32_t mode);

  // Enumerates with these selector numbers and opens the first match. `releaseNumber`, when
  // given, receives that interface's release number. False, with the handle left as it was,
  // when nothing matches.
  bool OpenBySelector(std::int32_t vid, std::span<const std::int32_t> pids, std::int32_t interface,
                      std::int32_t collection, std::uint16_t* releaseNumber, std::uint32_t mode);
  bool OpenBySelector(const model::DeviceSelector& selector, std::uint16_t* releaseNumber, std::uint32_t mode);

  void Close();

  // Writes the output report (the first caps.outputReportByteLength bytes when that is between 1
  // and 7, else all 8) with a 3000 ms limit. Returns the bytes written, 0 on failure or time-out.
  int Write(const Report& report);

  // Reads the feature report whose ID is in report[0] into `report`.
  bool GetFeature(Report& report);
  bool SetFeature(const Report& report);

  // The device counts as present while it holds an open handle.
  bool IsPresent() const;
  HandleState State() const;
  // Capabilities of the last interface whose capabilities could be read; zero before that.
  platform::HidCaps Caps() const;

 private:
  int WriteLocked(const Report& report);

  platform::HidSystem& system_;
  std::unique_ptr<platform::NamedMutex> openMutex_;
  std::unique_ptr<platform::NamedMutex> closeMutex_;
  std::unique_ptr<platform::NamedMutex> writeMutex_;
  std::unique_ptr<platform::NamedMutex> getFeatureMutex_;
  std::unique_ptr<platform::NamedMutex> setFeatureMutex_;

  mutable std::mutex handleMutex_;  // taken after the named mutex, never the other way round
  platform::HidCaps caps_;
  std::unique_ptr<platform::HidHandle> handle_;
  bool failedOpen_ = false;
};

}  // namespace device
