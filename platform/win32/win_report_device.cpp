#include "platform/win32/win_report_device.h"

#include <new>

#include "platform/win32/guid_convert.h"
#include "platform/win32/hid_queries.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"

namespace platform::win32 {
namespace {

class WinReportDevice final : public ReportDevice {
 public:
  explicit WinReportDevice(UniqueHandle handle) : handle_(std::move(handle)) {}

  bool GetAttributes(HidAttributes& attributes) override { return QueryHidAttributes(handle_.get(), attributes); }
  CapsOutcome GetCaps(HidCaps& caps) override { return QueryHidCaps(handle_.get(), caps); }

  bool WriteReport(const std::uint8_t* report, std::size_t length, std::uint32_t& error) override {
    DWORD written = 0;
    if (!WriteFile(handle_.get(), report, static_cast<DWORD>(length), &written, nullptr)) {
      error = GetLastError();
      LogWinFailure("WriteFile(virtual device report)", error);
      return false;
    }
    if (written != length) {
      error = ERROR_WRITE_FAULT;
      support::LogFailure("WriteFile(virtual device report)",
                          "wrote " + std::to_string(written) + " of " + std::to_string(length) + " bytes");
      return false;
    }
    error = 0;
    return true;
  }

 private:
  UniqueHandle handle_;
};

}  // namespace

std::vector<std::wstring> SplitMultiString(const wchar_t* list, std::size_t length) {
  std::vector<std::wstring> paths;
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (list[i] != L'\0') continue;
    if (i == start) break;  // the empty string that ends the list
    paths.emplace_back(list + start, i - start);
    start = i + 1;
  }
  return paths;
}

Guid WinReportDeviceSystem::HidClassGuid() {
  GUID guid{};
  HidD_GetHidGuid(&guid);
  return FromWinGuid(guid);
}

InterfaceListOutcome WinReportDeviceSystem::ListPresentInterfaces(const Guid& interfaceClass,
                                                                  std::vector<std::wstring>& paths) {
  InterfaceListOutcome outcome;
  paths.clear();
  GUID guid = ToWinGuid(interfaceClass);
  // The list can grow between the size query and the read: ask again when it did.
  for (int attempt = 0; attempt < 3; ++attempt) {
    ULONG size = 0;
    CONFIGRET result = CM_Get_Device_Interface_List_SizeW(&size, &guid, nullptr, CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
    if (result != CR_SUCCESS) {
      outcome.kind = InterfaceListOutcome::Kind::kSizeFailed;
      outcome.error = result;
      support::LogFailure("CM_Get_Device_Interface_List_SizeW", "CONFIGRET " + std::to_string(result));
      return outcome;
    }
    if (size < 2) {
      outcome.kind = InterfaceListOutcome::Kind::kEmpty;
      return outcome;
    }
    std::wstring list;
    try {
      list.assign(size, L'\0');
    } catch (const std::bad_alloc&) {
      outcome.kind = InterfaceListOutcome::Kind::kNoMemory;
      support::LogFailure("CM_Get_Device_Interface_ListW", "no memory for the list");
      return outcome;
    }
    result = CM_Get_Device_Interface_ListW(&guid, nullptr, list.data(), size, CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
    if (result == CR_BUFFER_SMALL) continue;
    if (result != CR_SUCCESS) {
      outcome.kind = InterfaceListOutcome::Kind::kListFailed;
      outcome.error = result;
      support::LogFailure("CM_Get_Device_Interface_ListW", "CONFIGRET " + std::to_string(result));
      return outcome;
    }
    paths = SplitMultiString(list.data(), list.size());
    outcome.kind = InterfaceListOutcome::Kind::kListed;
    return outcome;
  }
  outcome.kind = InterfaceListOutcome::Kind::kListFailed;
  outcome.error = CR_BUFFER_SMALL;
  support::LogFailure("CM_Get_Device_Interface_ListW", "the list kept growing");
  return outcome;
}

std::unique_ptr<ReportDevice> WinReportDeviceSystem::OpenReportDevice(const std::wstring& path, std::uint32_t& error) {
  UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  if (!handle) {
    error = GetLastError();
    LogWinFailure("CreateFileW(report device)", error);
    return nullptr;
  }
  error = 0;
  return std::make_unique<WinReportDevice>(std::move(handle));
}

}  // namespace platform::win32
