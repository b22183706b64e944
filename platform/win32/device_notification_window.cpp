#include "platform/win32/device_notification_window.h"

#include <cstddef>
#include <exception>

#include "platform/win32/guid_convert.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"

namespace platform::win32 {
namespace {

bool RegisterWindowClass(WNDPROC windowProc) {
  static const bool registered = [windowProc] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = DeviceNotificationWindow::kWindowClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      LogWinFailure("RegisterClassExW(device notifications)", GetLastError());
      return false;
    }
    return true;
  }();
  return registered;
}

}  // namespace

DeviceNotificationWindow::DeviceNotificationWindow(Handler handler) : handler_(std::move(handler)) {}

std::unique_ptr<DeviceNotificationWindow> DeviceNotificationWindow::Start(Handler handler) {
  std::unique_ptr<DeviceNotificationWindow> watcher(new DeviceNotificationWindow(std::move(handler)));
  if (!RegisterWindowClass(&DeviceNotificationWindow::WindowProc)) return watcher;
  std::promise<void> ready;
  std::future<void> started = ready.get_future();
  watcher->thread_ = std::thread(&DeviceNotificationWindow::Run, watcher.get(), &ready);
  started.wait();
  return watcher;
}

DeviceNotificationWindow::~DeviceNotificationWindow() {
  if (window_ != nullptr && !PostMessageW(window_, WM_CLOSE, 0, 0)) {
    LogWinFailure("PostMessageW(WM_CLOSE, device notifications)", GetLastError());
  }
  if (thread_.joinable()) thread_.join();
}

void DeviceNotificationWindow::Run(std::promise<void>* ready) {
  HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), this);
  if (window == nullptr) {
    LogWinFailure("CreateWindowExW(device notifications)", GetLastError());
    ready->set_value();
    return;
  }
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  // With every class asked for, the filter's class is not looked at; it names HID all the same.
  filter.dbcc_classguid = ToWinGuid(kHidInterfaceClass);
  notification_ = RegisterDeviceNotificationW(window, &filter,
                                              DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
  if (notification_ == nullptr) LogWinFailure("RegisterDeviceNotificationW", GetLastError());
  window_ = window;
  ready->set_value();  // `ready` is gone after this line

  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (got < 0) LogWinFailure("GetMessageW(device notifications)", GetLastError());
}

LRESULT CALLBACK DeviceNotificationWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<DeviceNotificationWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_CLOSE) {
    if (self->notification_ != nullptr && !UnregisterDeviceNotification(self->notification_)) {
      LogWinFailure("UnregisterDeviceNotification", GetLastError());
    }
    self->notification_ = nullptr;
    if (!DestroyWindow(window)) LogWinFailure("DestroyWindow(device notifications)", GetLastError());
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_DEVICECHANGE) return self->Handle(message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT DeviceNotificationWindow::Handle(UINT, WPARAM wParam, LPARAM lParam) {
  const auto change = Decode(wParam, lParam);
  if (!change || !handler_) return TRUE;
  // Nothing may unwind through the system's frames of the window procedure.
  try {
    handler_(change->first, change->second);
  } catch (const std::exception& error) {
    support::LogFailure("device change handler", error.what());
  } catch (...) {
    support::LogFailure("device change handler", "unknown exception");
  }
  return TRUE;
}

std::optional<std::pair<DeviceChange, std::wstring>> DeviceNotificationWindow::Decode(WPARAM event, LPARAM data) {
  DeviceChange change;
  if (event == DBT_DEVICEARRIVAL) {
    change = DeviceChange::kArrival;
  } else if (event == DBT_DEVICEREMOVECOMPLETE) {
    change = DeviceChange::kRemoval;
  } else {
    return std::nullopt;
  }
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return std::nullopt;
  constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  if (header->dbch_size < kNameOffset) return std::nullopt;
  const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data);
  // The name ends at its terminator or at the end of the structure, whichever comes first.
  const std::size_t maxChars = (header->dbch_size - kNameOffset) / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < maxChars && broadcast->dbcc_name[length] != L'\0') ++length;
  return std::make_pair(change, std::wstring(broadcast->dbcc_name, length));
}

}  // namespace platform::win32
