#include "device/io/hid_device.h"

#include <chrono>

#include "device/discovery/enumerate_hid_interfaces.h"
#include "support/logger.h"
#include "support/text.h"

namespace device {
namespace {

constexpr std::size_t kReportLength = 8;
constexpr std::chrono::milliseconds kWriteLimit{3000};
constexpr unsigned kInvalidHandleValue = 0xFFFFFFFF;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorIoPending = 997;

unsigned LogValue(const std::unique_ptr<platform::HidHandle>& handle) {
  return handle ? static_cast<unsigned>(handle->NativeValue()) : kInvalidHandleValue;
}

// Reads the interface's capabilities through a second, query-only handle.
bool ReadCaps(platform::HidSystem& system, const std::wstring& path, platform::HidCaps& caps) {
  std::uint32_t error = 0;
  std::unique_ptr<platform::HidHandle> query =
      system.Open(path, 0, platform::kShareRead | platform::kShareWrite, error);
  if (!query) {
    support::LogFailure("open HID interface for its capabilities", support::Format("error %u", static_cast<unsigned>(error)));
    return false;
  }
  platform::HidAttributes attributes;
  const bool attributesRead = query->GetAttributes(attributes);
  platform::HidCaps read;
  const bool capsRead = attributesRead && query->GetCaps(read);
  if (!query->Close()) support::LogFailure("close HID query handle", support::WideToUtf8(path));
  if (!capsRead) {
    support::LogFailure("read HID capabilities", support::WideToUtf8(path));
    return false;
  }
  caps = read;
  return true;
}

}  // namespace

HidDevice::HidDevice(platform::HidSystem& system)
    : system_(system),
      openMutex_(platform::OpenNamedMutex(L"HidDevice::Open")),
      closeMutex_(platform::OpenNamedMutex(L"HidDevice::Close")),
      writeMutex_(platform::OpenNamedMutex(L"HidDevice::Write")),
      getFeatureMutex_(platform::OpenNamedMutex(L"HidDevice::GetFeature")),
      setFeatureMutex_(platform::OpenNamedMutex(L"HidDevice::SetFeature")) {}

HidDevice::~HidDevice() = default;

bool HidDevice::Open(const std::wstring& path, std::uint32_t mode) {
  std::scoped_lock named(*openMutex_);
  if (path.empty()) return false;
  std::scoped_lock lock(handleMutex_);

  if (handle_ && !handle_->Close()) support::LogFailure("close HID device", "the previous handle");
  handle_.reset();
  failedOpen_ = false;

  std::uint32_t error = 0;
  handle_ = system_.Open(path, mode & 0xFF000000, mode & 0xFF, error);
  support::LogWide(L"open dev: %08x\n", LogValue(handle_));
  if (!handle_) {
    failedOpen_ = true;
    support::LogFailure("open HID device", support::Format("error %u", static_cast<unsigned>(error)));
    return false;
  }
  ReadCaps(system_, path, caps_);  // caps stay as they were when this fails; the open still counts
  return true;
}

bool HidDevice::OpenBySelector(std::int32_t vid, std::span<const std::int32_t> pids, std::int32_t interface,
                               std::int32_t collection, std::uint16_t* releaseNumber, std::uint32_t mode) {
  std::scoped_lock named(*openMutex_);
  const std::vector<HidInterfaceRecord> records = EnumerateHidInterfaces(system_, vid, pids, interface, collection);
  if (records.empty()) return false;
  const bool opened = Open(records.front().devicePath, mode);
  if (releaseNumber != nullptr) *releaseNumber = records.front().releaseNumber;
  return opened;
}

bool HidDevice::OpenBySelector(const model::DeviceSelector& selector, std::uint16_t* releaseNumber,
                               std::uint32_t mode) {
  return OpenBySelector(selector.vid, SelectorPidList(selector), selector.interface, selector.subdevice,
                        releaseNumber, mode);
}

void HidDevice::Close() {
  std::scoped_lock named(*closeMutex_);
  std::scoped_lock lock(handleMutex_);
  failedOpen_ = false;
  if (!handle_) return;
  if (!handle_->Close()) {
    support::LogFailure("close HID device", "the handle stays open");
    return;
  }
  handle_.reset();
}

int HidDevice::Write(const Report& report) {
  std::scoped_lock named(*writeMutex_);
  std::scoped_lock lock(handleMutex_);
  const int written = WriteLocked(report);
  support::LogWide(L"已写长度为 %d\n", written);
  return written;
}

int HidDevice::WriteLocked(const Report& report) {
  if (!handle_ && !failedOpen_) return 0;

  support::LogWide(L"写(异步)USB设备 handle=%08x, data=%08x, len=%d, timeout=%d\n", LogValue(handle_),
                   static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(report.data())),
                   static_cast<int>(kReportLength), static_cast<int>(kWriteLimit.count()));
  std::size_t length = kReportLength;
  if (caps_.outputReportByteLength != 0 && caps_.outputReportByteLength < kReportLength) {
    length = caps_.outputReportByteLength;
  }
  support::LogWide(L"正在写入... %d\n", static_cast<int>(length));

  if (!handle_) {  // the last open failed: the write is refused as on an invalid handle
    support::LogWide(L"写文件错误(%04x,%d)\n", kInvalidHandleValue, static_cast<int>(kErrorInvalidHandle));
    support::LogWide(L"写文件错误(%04x,%d)\n", kInvalidHandleValue, static_cast<int>(kErrorInvalidHandle));
    return 0;
  }

  const unsigned handleValue = LogValue(handle_);
  const platform::WriteOutcome outcome = handle_->Write(report.data(), length, kWriteLimit);
  switch (outcome.kind) {
    case platform::WriteOutcome::Kind::kCompletedAtOnce:
      return static_cast<int>(outcome.bytesWritten);
    case platform::WriteOutcome::Kind::kFailed:
      support::LogWide(L"写文件错误(%04x,%d)\n", handleValue, static_cast<int>(outcome.error));
      support::LogWide(L"写文件错误(%04x,%d)\n", handleValue, static_cast<int>(outcome.error));
      return 0;
    case platform::WriteOutcome::Kind::kCompletedAfterWait:
      support::LogWide(L"写文件错误(%04x,%d)\n", handleValue, static_cast<int>(kErrorIoPending));
      support::LogWide(L"asynchronous write succeed : %d\n", handleValue);
      return static_cast<int>(outcome.bytesWritten);
    case platform::WriteOutcome::Kind::kTimedOut:
      // The backend has cancelled the write or abandoned it with its own copy of the bytes, so
      // nothing pending refers to the report.
      support::LogWide(L"写文件错误(%04x,%d)\n", handleValue, static_cast<int>(kErrorIoPending));
      support::LogWide(L"超时索引错误\n");
      return 0;
  }
  return 0;
}

bool HidDevice::GetFeature(Report& report) {
  std::scoped_lock named(*getFeatureMutex_);
  std::scoped_lock lock(handleMutex_);
  if (!handle_) return false;
  if (!handle_->GetFeature(report.data(), report.size())) {
    support::LogFailure("HidDevice::GetFeature", support::Format("report %02x", report[0]));
    return false;
  }
  return true;
}

bool HidDevice::SetFeature(const Report& report) {
  std::scoped_lock named(*setFeatureMutex_);
  std::scoped_lock lock(handleMutex_);
  if (!handle_) return false;
  if (!handle_->SetFeature(report.data(), report.size())) {
    support::LogFailure("HidDevice::SetFeature", support::Format("report %02x", report[0]));
    return false;
  }
  return true;
}

bool HidDevice::IsPresent() const {
  std::scoped_lock lock(handleMutex_);
  return handle_ != nullptr;
}

HidDevice::HandleState HidDevice::State() const {
  std::scoped_lock lock(handleMutex_);
  if (handle_) return HandleState::kOpen;
  return failedOpen_ ? HandleState::kFailedOpen : HandleState::kNotOpen;
}

platform::HidCaps HidDevice::Caps() const {
  std::scoped_lock lock(handleMutex_);
  return caps_;
}

}  // namespace device
