#include "platform/win32/win_hid_system.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/win32/device_notification_window.h"
#include "platform/win32/guid_convert.h"
#include "platform/win32/hid_queries.h"
#include "platform/win32/interface_detail.h"
#include "platform/win32/merged_collections.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "platform/win32/wine_check.h"

namespace platform::win32 {
namespace {

class WinHidHandle final : public HidHandle {
 public:
  // `collection`: the top-level collection this handle stands for when its device merges several
  // (its usage is reported in place of the device's first one).
  WinHidHandle(UniqueHandle handle, std::optional<TopCollection> collection)
      : handle_(std::move(handle)), collection_(collection) {}

  std::uintptr_t NativeValue() const override { return reinterpret_cast<std::uintptr_t>(handle_.get()); }

  bool GetAttributes(HidAttributes& attributes) override { return QueryHidAttributes(handle_.get(), attributes); }

  bool GetCaps(HidCaps& caps) override {
    if (QueryHidCaps(handle_.get(), caps) != CapsOutcome::kRead) return false;
    if (collection_) {
      caps.usagePage = collection_->usagePage;
      caps.usage = collection_->usage;
    }
    return true;
  }

  bool GetFeature(std::uint8_t* buffer, std::size_t length) override {
    if (!HidD_GetFeature(handle_.get(), buffer, static_cast<ULONG>(length))) {
      LogWinFailure("HidD_GetFeature", GetLastError());
      return false;
    }
    return true;
  }

  bool SetFeature(const std::uint8_t* buffer, std::size_t length) override {
    // The class library takes a non-const buffer but only reads it.
    if (!HidD_SetFeature(handle_.get(), const_cast<std::uint8_t*>(buffer), static_cast<ULONG>(length))) {
      LogWinFailure("HidD_SetFeature", GetLastError());
      return false;
    }
    return true;
  }

  WriteOutcome Write(const std::uint8_t* buffer, std::size_t length, std::chrono::milliseconds limit) override;

  bool Close() override { return handle_.Close(); }

 private:
  UniqueHandle handle_;
  std::optional<TopCollection> collection_;
};

// The write has its own event, so a wait never mistakes another operation's completion on the
// same handle for its own. A write still pending at the limit is cancelled and waited for until
// it has ended: the OVERLAPPED and the caller's buffer are in use until then.
WriteOutcome WinHidHandle::Write(const std::uint8_t* buffer, std::size_t length, std::chrono::milliseconds limit) {
  WriteOutcome outcome;
  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event) {
    outcome.error = GetLastError();
    LogWinFailure("CreateEventW(HID write)", outcome.error);
    return outcome;
  }
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  DWORD written = 0;
  if (WriteFile(handle_.get(), buffer, static_cast<DWORD>(length), nullptr, &overlapped)) {
    if (!GetOverlappedResult(handle_.get(), &overlapped, &written, TRUE)) {
      outcome.error = GetLastError();
      LogWinFailure("GetOverlappedResult(HID write)", outcome.error);
      return outcome;
    }
    outcome.kind = WriteOutcome::Kind::kCompletedAtOnce;
    outcome.bytesWritten = written;
    return outcome;
  }
  const DWORD writeError = GetLastError();
  if (writeError != ERROR_IO_PENDING) {
    outcome.error = writeError;
    LogWinFailure("WriteFile(HID output report)", writeError);
    return outcome;
  }

  const DWORD waitMs = limit.count() <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(limit.count(), INFINITE - 1));
  const DWORD wait = WaitForSingleObject(event.get(), waitMs);
  if (wait == WAIT_OBJECT_0) {
    if (!GetOverlappedResult(handle_.get(), &overlapped, &written, TRUE)) {
      outcome.error = GetLastError();
      LogWinFailure("GetOverlappedResult(HID write)", outcome.error);
      return outcome;
    }
    outcome.kind = WriteOutcome::Kind::kCompletedAfterWait;
    outcome.bytesWritten = written;
    return outcome;
  }
  if (wait == WAIT_FAILED) LogWinFailure("WaitForSingleObject(HID write)", GetLastError());

  if (!CancelIoEx(handle_.get(), &overlapped)) {
    const DWORD cancelError = GetLastError();
    // ERROR_NOT_FOUND: it ended between the wait and the cancel.
    if (cancelError != ERROR_NOT_FOUND) {
      LogWinFailure("CancelIoEx(HID write)", cancelError);
      if (!CancelIo(handle_.get())) LogWinFailure("CancelIo(HID write)", GetLastError());
    }
  }
  GetOverlappedResult(handle_.get(), &overlapped, &written, TRUE);  // waits until the write has ended
  outcome.kind = WriteOutcome::Kind::kTimedOut;
  outcome.error = ERROR_TIMEOUT;
  return outcome;
}

// The device path of one enumerated interface, or nothing when its detail cannot be read.
std::optional<std::wstring> ReadInterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
  if (required < kInterfaceDetailHeaderSize) {
    LogWinFailure("SetupDiGetDeviceInterfaceDetailW(size)", GetLastError());
    return std::nullopt;
  }
  // DWORD-aligned storage for the variable-length structure.
  std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
  detail->cbSize = kInterfaceDetailHeaderSize;
  if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) {
    LogWinFailure("SetupDiGetDeviceInterfaceDetailW", GetLastError());
    return std::nullopt;
  }
  // The path ends inside the buffer: bound the length by what was filled in.
  const std::size_t maxChars = (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
  std::size_t length = 0;
  while (length < maxChars && detail->DevicePath[length] != L'\0') ++length;
  return std::wstring(detail->DevicePath, length);
}

}  // namespace

bool WinHidSystem::ListInterfaces(std::vector<HidInterfaceEntry>& out, Guid& classGuid) {
  out.clear();
  const GUID hidClass = ToWinGuid(kHidInterfaceClass);
  DeviceInfoSet set(SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set.valid()) {
    LogWinFailure("SetupDiGetClassDevsW", GetLastError());
    return false;
  }
  classGuid = kHidInterfaceClass;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &hidClass, index, &data)) {
      const DWORD error = GetLastError();
      if (error != ERROR_NO_MORE_ITEMS) LogWinFailure("SetupDiEnumDeviceInterfaces", error);
      break;
    }
    HidInterfaceEntry entry;
    entry.interfaceClassGuid = FromWinGuid(data.InterfaceClassGuid);
    entry.flags = data.Flags;
    entry.path = ReadInterfacePath(set.get(), data);
    for (HidInterfaceEntry& listed : EntriesOf(std::move(entry))) out.push_back(std::move(listed));
  }
  return true;
}

std::vector<HidInterfaceEntry> WinHidSystem::EntriesOf(HidInterfaceEntry entry) {
  std::vector<HidInterfaceEntry> entries;
  if (!entry.path || !RunsUnderWine() || !PathHasNoCollection(*entry.path)) {
    entries.push_back(std::move(entry));
    return entries;
  }
  // Query access only: the collections are read from the preparsed data.
  UniqueHandle device(CreateFileW(entry.path->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::vector<TopCollection> collections =
      device ? MergedTopCollections(QueryLinkCollections(device.get())) : std::vector<TopCollection>{};
  if (collections.empty()) {
    entries.push_back(std::move(entry));
    return entries;
  }
  std::scoped_lock lock(mutex_);
  for (std::size_t i = 0; i < collections.size(); ++i) {
    HidInterfaceEntry listed = entry;
    listed.path = PathWithCollection(*entry.path, static_cast<int>(i + 1));
    if (!listed.path) continue;
    collections_[*listed.path] = {*entry.path, collections[i].usagePage, collections[i].usage};
    entries.push_back(std::move(listed));
  }
  return entries;
}

std::unique_ptr<HidHandle> WinHidSystem::Open(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                                              std::uint32_t& error) {
  std::wstring devicePath = path;
  std::optional<TopCollection> collection;
  {
    std::scoped_lock lock(mutex_);
    if (const auto found = collections_.find(path); found != collections_.end()) {
      devicePath = found->second.devicePath;
      collection = TopCollection{found->second.usagePage, found->second.usage};
    }
  }
  UniqueHandle handle(CreateFileW(devicePath.c_str(), access, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) {
    error = GetLastError();
    LogWinFailure("CreateFileW(HID interface)", error);
    return nullptr;
  }
  error = 0;
  return std::make_unique<WinHidHandle>(std::move(handle), collection);
}

std::unique_ptr<Subscription> WinHidSystem::WatchInterfaces(
    std::function<void(DeviceChange change, const std::wstring& path)> onChange) {
  return DeviceNotificationWindow::Start(std::move(onChange));
}

}  // namespace platform::win32
