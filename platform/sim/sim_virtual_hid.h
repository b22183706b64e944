#pragma once
// An emulated virtual HID device (the program's own root\vhidev) behind the report-device seam.
// It records every 64-byte output report it is sent and decodes the inner report (keyboard
// bitmap, mouse, consumer and system control), so a test can ask which keys are down now.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/report_device.h"

namespace sim {

extern const wchar_t* const kVirtualDevicePath;

// Mouse state as the last mouse report left it.
struct SimMouseState {
  std::uint8_t buttons = 0;
  std::uint8_t x = 0;
  std::uint8_t y = 0;
  std::uint8_t wheel = 0;
};

// Another present HID interface that is listed before the virtual device.
struct OtherInterface {
  std::wstring path;
  platform::HidAttributes attributes;
  platform::HidCaps caps;
  bool opens = true;
  platform::CapsOutcome capsOutcome = platform::CapsOutcome::kRead;
  bool attributesReadable = true;
};

class SimVirtualHid final : public platform::ReportDeviceSystem {
 public:
  explicit SimVirtualHid(bool present = true);
  ~SimVirtualHid() override;
  SimVirtualHid(const SimVirtualHid&) = delete;
  SimVirtualHid& operator=(const SimVirtualHid&) = delete;

  platform::Guid HidClassGuid() override;
  platform::InterfaceListOutcome ListPresentInterfaces(const platform::Guid& interfaceClass,
                                                       std::vector<std::wstring>& paths) override;
  std::unique_ptr<platform::ReportDevice> OpenReportDevice(const std::wstring& path, std::uint32_t& error) override;

  // Installs or removes the virtual device. Removal makes its open handles fail.
  void SetPresent(bool present);
  bool IsPresent() const;
  void AddOtherInterface(OtherInterface other);
  // Listing ends with this outcome instead of a list (kListed restores normal listing).
  void SetListOutcome(platform::InterfaceListOutcome outcome);
  // Every write fails with this error (0 restores normal writes).
  void FailWrites(std::uint32_t error);
  // Logs the keys held down after each report (for the demo).
  void SetLogKeys(bool log);

  std::vector<std::vector<std::uint8_t>> Reports() const;
  // When each recorded report was written (steady clock, taken as the write is recorded), in the
  // order of Reports().
  std::vector<std::chrono::steady_clock::time_point> ReportTimes() const;
  void ClearReports();
  // Keys held down now, as page << 16 | usage: keyboard usages (page 0x07) in ascending order,
  // mouse buttons (page 0x05, usage = bit number), the consumer usage (page 0x0C) and the system
  // usage (page 0x01), each when nonzero.
  std::vector<std::uint32_t> KeysDown() const;
  SimMouseState Mouse() const;
  int OpenHandles() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// The emulated virtual device the program itself uses when linked with the sim backend.
SimVirtualHid& DemoVirtualHid();

}  // namespace sim
