#pragma once
// The program's side of its virtual HID device: finds and opens the device, keeps the current
// state of its four input reports (keyboard bitmap, mouse, consumer, system control), and sends
// the affected report each time a key is set or released.
//
// One lock covers both the report state and the write, so concurrent callers (key remapping on
// the monitor thread, macro playback, ReleaseAll on the window thread) never lose each other's
// changes, and every write carries a consistent state.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/report_device.h"
#include "platform/virtual_report_format.h"

namespace hostdrv {

class IVHidevProxy {
 public:
  // Sends one inner report as the 64-byte output report. Nonzero on success.
  virtual std::int32_t SendReport(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) = 0;
  virtual ~IVHidevProxy() = default;
};

// The inner reports of the device's output report.
inline constexpr std::uint8_t kKeyboardReportId = platform::kVirtualKeyboardReportId;
inline constexpr std::uint8_t kMouseReportId = platform::kVirtualMouseReportId;
inline constexpr std::uint8_t kConsumerReportId = platform::kVirtualConsumerReportId;
inline constexpr std::uint8_t kSystemReportId = platform::kVirtualSystemReportId;

class VHidev final : public IVHidevProxy {
 public:
  explicit VHidev(platform::ReportDeviceSystem& system);
  VHidev(const VHidev&) = delete;
  VHidev& operator=(const VHidev&) = delete;

  // The process-wide device object over the backend's report devices, created on first use.
  static VHidev& Instance();

  std::int32_t SendReport(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) override;

  // Sets (down) or clears one key and sends the report that holds it. Returns the send's result,
  // or 0 when the code is not handled (nothing is sent then).
  std::int32_t SetKey(std::uint16_t page, std::uint16_t usage, bool down);
  // Sets or clears a bit of the keyboard bitmap and sends the keyboard report (macro playback).
  std::int32_t SetKeyboardUsage(std::uint8_t usage, bool down);
  // Zeroes and sends all four reports: keyboard, mouse, consumer, system.
  void ReleaseAll();
  // Sends again each of the four reports whose last write failed, so the device catches up with
  // the state kept here (a release that could not be written would otherwise leave its key down).
  // Every successful send of a report does this for the others too.
  void ResendUnsent();

  // Closes the device and searches the HID interface class for it. True when found.
  bool OpenVirtualDevice();
  void CloseDevice();
  bool IsOpen() const;

 private:
  std::int32_t SendLocked(const std::uint8_t* data, std::size_t length, std::uint8_t reportId);
  std::int32_t SendKeyboardLocked();
  std::int32_t SendMouseLocked();
  std::int32_t SendUsageLocked(std::uint8_t reportId, std::uint16_t usage);
  // Sends one of the four state reports as it stands now and notes whether it went out; after a
  // successful write the others still unsent follow.
  std::int32_t SendStateLocked(std::uint8_t reportId);
  std::int32_t WriteStateLocked(std::uint8_t reportId);
  void ResendUnsentLocked(std::uint8_t except);

  platform::ReportDeviceSystem& system_;
  mutable std::mutex sendMutex_;  // guards everything below
  std::unique_ptr<platform::ReportDevice> device_;
  std::array<std::uint8_t, 33> keyboard_{};  // byte 0 always 0, bytes 1-32 the usage bitmap
  std::array<std::uint8_t, 4> mouse_{};      // buttons, X, Y, wheel
  std::uint16_t consumerUsage_ = 0;
  std::uint16_t systemUsage_ = 0;
  std::array<bool, 5> unsent_{};  // by report ID 1-4: the last write of that report failed
};

}  // namespace hostdrv
