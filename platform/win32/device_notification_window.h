#pragma once
// Device-interface arrival and removal, as Windows reports them: a hidden message-only window,
// running its own message loop on its own thread, registered with RegisterDeviceNotificationW
// for every interface class (DEVICE_NOTIFY_ALL_INTERFACE_CLASSES). The key filter sits on the
// keyboard's keyboard-class interface, not on its HID interfaces, so the main window hears of it
// only this way. Each WM_DEVICECHANGE arrival or removal of a device interface calls the handler
// on that thread with the interface path. Destroying the object unregisters, destroys the window
// and ends the thread.
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/hid.h"
#include "platform/win32/win_api.h"

namespace platform::win32 {

class DeviceNotificationWindow final : public Subscription {
 public:
  using Handler = std::function<void(DeviceChange change, const std::wstring& path)>;

  // The window class of these windows (message-only windows can be found by it).
  static constexpr const wchar_t* kWindowClass = L"kbconfig.DeviceNotificationWindow";

  // Starts the thread and returns once its window is registered for notifications. When the
  // window cannot be created or registered the failure is logged and the subscription stays
  // silent.
  static std::unique_ptr<DeviceNotificationWindow> Start(Handler handler);

  ~DeviceNotificationWindow() override;
  DeviceNotificationWindow(const DeviceNotificationWindow&) = delete;
  DeviceNotificationWindow& operator=(const DeviceNotificationWindow&) = delete;

  // The window, or null when it could not be created.
  HWND Window() const { return window_; }
  bool IsRegistered() const { return notification_ != nullptr; }

  // Reads one WM_DEVICECHANGE: the change and the interface path when it reports the arrival or
  // removal of a device interface (of any class); nothing otherwise.
  static std::optional<std::pair<DeviceChange, std::wstring>> Decode(WPARAM event, LPARAM data);

 private:
  explicit DeviceNotificationWindow(Handler handler);
  void Run(std::promise<void>* ready);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  Handler handler_;
  HWND window_ = nullptr;
  HDEVNOTIFY notification_ = nullptr;
  std::thread thread_;
};

}  // namespace platform::win32
