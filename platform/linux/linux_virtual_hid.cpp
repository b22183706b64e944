#include "platform/linux/linux_virtual_hid.h"

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/linux/uinput_device.h"
#include "platform/portable/virtual_report_device.h"
#include "platform/linux/virtual_report_translator.h"
#include "support/logger.h"

namespace platform::linux_backend {

const wchar_t* const kVirtualDevicePath =
    L"\\\\?\\hid#vid_deed&pid_feed#kbconfig&uinput#{4d1e55b2-f16f-11cf-88cb-001111000030}";

namespace {

class UinputReportDevice final : public portable::VirtualReportDevice {
 public:
  explicit UinputReportDevice(std::unique_ptr<UinputDevice> device)
      : VirtualReportDevice(EINVAL), device_(std::move(device)) {}

  ~UinputReportDevice() override {
    std::uint32_t error = 0;
    const std::vector<InputEvent> release = translator_.ReleaseEverything();
    device_->Emit(release, error);
  }

  bool WriteOutputReport(std::span<const std::uint8_t> report, std::uint32_t& error) override {
    std::scoped_lock lock(mutex_);
    const std::vector<InputEvent> events = translator_.Translate(report);
    return device_->Emit(events, error);
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<UinputDevice> device_;
  VirtualReportTranslator translator_;
};

}  // namespace

Guid LinuxVirtualHid::HidClassGuid() { return kHidInterfaceClass; }

InterfaceListOutcome LinuxVirtualHid::ListPresentInterfaces(const Guid& interfaceClass,
                                                            std::vector<std::wstring>& paths) {
  return portable::ListVirtualInterface(interfaceClass, ::access("/dev/uinput", F_OK) == 0, kVirtualDevicePath, paths);
}

std::unique_ptr<ReportDevice> LinuxVirtualHid::OpenReportDevice(const std::wstring& path, std::uint32_t& error) {
  if (path != kVirtualDevicePath) {
    error = ENOENT;
    return nullptr;
  }
  UinputSetup setup;
  setup.name = kVirtualDeviceName;
  setup.vendorId = kVirtualVendorId;
  setup.productId = kVirtualProductId;
  setup.keys = VirtualReportTranslator::KeyCodes();
  setup.relativeAxes = {REL_X, REL_Y, REL_WHEEL};
  std::unique_ptr<UinputDevice> device = UinputDevice::Create(setup, error);
  if (!device) return nullptr;
  return std::make_unique<UinputReportDevice>(std::move(device));
}

}  // namespace platform::linux_backend
