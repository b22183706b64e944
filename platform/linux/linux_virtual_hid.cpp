#include "platform/linux/linux_virtual_hid.h"

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/linux/uinput_device.h"
#include "platform/linux/virtual_report_translator.h"
#include "support/logger.h"

namespace platform::linux_backend {

const wchar_t* const kVirtualDevicePath =
    L"\\\\?\\hid#vid_deed&pid_feed#kbconfig&uinput#{4d1e55b2-f16f-11cf-88cb-001111000030}";

namespace {

constexpr std::uint16_t kVendorUsagePage = 0xFF00;
constexpr std::uint16_t kVendorUsage = 0x01;
constexpr std::uint16_t kVersion = 0x0100;

class VirtualReportDevice final : public ReportDevice {
 public:
  explicit VirtualReportDevice(std::unique_ptr<UinputDevice> device) : device_(std::move(device)) {}

  ~VirtualReportDevice() override {
    std::uint32_t error = 0;
    const std::vector<InputEvent> release = translator_.ReleaseEverything();
    device_->Emit(release, error);
  }

  bool GetAttributes(HidAttributes& attributes) override {
    attributes = HidAttributes{kVirtualVendorId, kVirtualProductId, kVersion};
    return true;
  }

  CapsOutcome GetCaps(HidCaps& caps) override {
    caps = HidCaps{};
    caps.usagePage = kVendorUsagePage;
    caps.usage = kVendorUsage;
    caps.outputReportByteLength = static_cast<std::uint16_t>(kVirtualOutputReportLength);
    return CapsOutcome::kRead;
  }

  bool WriteReport(const std::uint8_t* report, std::size_t length, std::uint32_t& error) override {
    if (report == nullptr || length != kVirtualOutputReportLength || report[0] != kVirtualOutputReportId) {
      error = EINVAL;
      support::LogFailure("virtual HID write", "not a 64-byte output report with ID 5");
      return false;
    }
    std::scoped_lock lock(mutex_);
    const std::vector<InputEvent> events = translator_.Translate({report, length});
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
  InterfaceListOutcome outcome;
  if (!(interfaceClass == kHidInterfaceClass) || ::access("/dev/uinput", F_OK) != 0) {
    outcome.kind = InterfaceListOutcome::Kind::kEmpty;
    return outcome;
  }
  paths.push_back(kVirtualDevicePath);
  outcome.kind = InterfaceListOutcome::Kind::kListed;
  return outcome;
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
  return std::make_unique<VirtualReportDevice>(std::move(device));
}

}  // namespace platform::linux_backend
