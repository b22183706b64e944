#include "hostdrv/vhidev.h"

#include <string>

#include "hostdrv/find_virtual_device.h"
#include "hostdrv/vhidev_output_report.h"
#include "support/logger.h"

namespace hostdrv {

namespace {

constexpr std::uint16_t kKeyboardPage = 0x07;
constexpr std::uint16_t kButtonPage = 0x05;
constexpr std::uint16_t kGenericDesktopPage = 0x01;
constexpr std::uint16_t kConsumerPage = 0x0C;
constexpr std::uint16_t kFirstSystemUsage = 0x80;
constexpr std::uint16_t kUsageX = 0x30;
constexpr std::uint16_t kUsageY = 0x31;
constexpr std::uint16_t kUsageWheel = 0x38;

void SetBit(std::uint8_t& byte, unsigned bit, bool on) {
  const auto mask = static_cast<std::uint8_t>(1u << bit);
  byte = on ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}

}  // namespace

VHidev::VHidev(platform::ReportDeviceSystem& system) : system_(system) {}

VHidev& VHidev::Instance() {
  static VHidev instance(platform::DefaultReportDeviceSystem());
  return instance;
}

std::int32_t VHidev::SendReport(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) {
  std::scoped_lock lock(sendMutex_);
  return SendLocked(data, length, reportId);
}

std::int32_t VHidev::SendLocked(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) {
  const VirtualOutputReport report = BuildVirtualOutputReport(data, length, reportId);
  // Without a device the write fails; its absence was already reported by the search.
  if (!device_) return 0;
  std::uint32_t error = 0;
  if (!device_->WriteReport(report.data(), report.size(), error)) {
    support::LogFailure("VHidev::SendReport", "write of report " + std::to_string(reportId) + ": error " +
                                                  std::to_string(error));
    return 0;
  }
  return 1;
}

std::int32_t VHidev::SendKeyboardLocked() { return SendStateLocked(kKeyboardReportId); }

std::int32_t VHidev::SendMouseLocked() { return SendStateLocked(kMouseReportId); }

std::int32_t VHidev::SendUsageLocked(std::uint8_t reportId, std::uint16_t usage) {
  const std::uint8_t data[2] = {static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8)};
  return SendLocked(data, sizeof data, reportId);
}

std::int32_t VHidev::WriteStateLocked(std::uint8_t reportId) {
  std::int32_t result = 0;
  switch (reportId) {
    case kKeyboardReportId:
      result = SendLocked(keyboard_.data(), keyboard_.size(), kKeyboardReportId);
      break;
    case kMouseReportId:
      result = SendLocked(mouse_.data(), mouse_.size(), kMouseReportId);
      break;
    case kConsumerReportId:
      result = SendUsageLocked(kConsumerReportId, consumerUsage_);
      break;
    case kSystemReportId:
      result = SendUsageLocked(kSystemReportId, systemUsage_);
      break;
    default:
      return 0;
  }
  unsent_[reportId] = result == 0;
  return result;
}

std::int32_t VHidev::SendStateLocked(std::uint8_t reportId) {
  const std::int32_t result = WriteStateLocked(reportId);
  if (result != 0) ResendUnsentLocked(reportId);
  return result;
}

void VHidev::ResendUnsentLocked(std::uint8_t except) {
  for (std::uint8_t reportId = kKeyboardReportId; reportId <= kSystemReportId; ++reportId) {
    if (reportId != except && unsent_[reportId] && WriteStateLocked(reportId) == 0) return;  // still failing
  }
}

void VHidev::ResendUnsent() {
  std::scoped_lock lock(sendMutex_);
  ResendUnsentLocked(0);
}

std::int32_t VHidev::SetKey(std::uint16_t page, std::uint16_t usage, bool down) {
  std::scoped_lock lock(sendMutex_);
  const auto low = static_cast<std::uint8_t>(usage & 0xFF);
  switch (page) {
    case kKeyboardPage:
      SetBit(keyboard_[1 + (low >> 3)], low & 7u, down);
      return SendKeyboardLocked();
    case kButtonPage:
      if (low < 8) SetBit(mouse_[0], low, down);
      return SendMouseLocked();
    case kGenericDesktopPage:
      if (usage >= kFirstSystemUsage) {
        systemUsage_ = down ? usage : 0;
        return SendStateLocked(kSystemReportId);
      }
      if (usage == kUsageX || usage == kUsageY || usage == kUsageWheel) {
        // The movement byte takes the usage's own low byte, pressed or released.
        mouse_[usage == kUsageX ? 1 : usage == kUsageY ? 2 : 3] = low;
        return SendMouseLocked();
      }
      return 0;
    case kConsumerPage:
      consumerUsage_ = down ? usage : 0;
      return SendStateLocked(kConsumerReportId);
    default:
      return 0;
  }
}

std::int32_t VHidev::SetKeyboardUsage(std::uint8_t usage, bool down) {
  std::scoped_lock lock(sendMutex_);
  SetBit(keyboard_[1 + (usage >> 3)], usage & 7u, down);
  return SendKeyboardLocked();
}

void VHidev::ReleaseAll() {
  std::scoped_lock lock(sendMutex_);
  keyboard_.fill(0);
  mouse_.fill(0);
  consumerUsage_ = 0;
  systemUsage_ = 0;
  // Each report once, in this order; none is resent in between.
  for (std::uint8_t reportId = kKeyboardReportId; reportId <= kSystemReportId; ++reportId) WriteStateLocked(reportId);
}

bool VHidev::OpenVirtualDevice() {
  std::scoped_lock lock(sendMutex_);
  device_.reset();
  device_ = FindVirtualDevice(system_, system_.HidClassGuid());
  return device_ != nullptr;
}

void VHidev::CloseDevice() {
  std::scoped_lock lock(sendMutex_);
  device_.reset();
}

bool VHidev::IsOpen() const {
  std::scoped_lock lock(sendMutex_);
  return device_ != nullptr;
}

}  // namespace hostdrv
