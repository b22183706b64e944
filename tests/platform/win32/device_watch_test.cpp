// Device arrival and removal through a message-only window registered for device notifications.
// No device can be plugged in here, so the tests send the window the WM_DEVICECHANGE messages the
// system would send, and check what reaches the handler.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/device_notification_window.h"
#include "platform/win32/guid_convert.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_hid_system.h"

namespace {

using platform::DeviceChange;
using platform::win32::DeviceNotificationWindow;

constexpr wchar_t kKeyboardPath[] =
    L"\\\\?\\HID#VID_1A2B&PID_0C3D&MI_01&Col02#7&1a2b3c4d&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// A DEV_BROADCAST_DEVICEINTERFACE_W with room for its name, as the system builds it.
std::vector<std::uint8_t> Broadcast(const std::wstring& name, const platform::Guid& interfaceClass,
                                    DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE) {
  const std::size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * sizeof(wchar_t);
  std::vector<std::uint8_t> bytes(size, 0);
  auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
  broadcast->dbcc_size = static_cast<DWORD>(size);
  broadcast->dbcc_devicetype = deviceType;
  broadcast->dbcc_classguid = platform::win32::ToWinGuid(interfaceClass);
  std::memcpy(broadcast->dbcc_name, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  return bytes;
}

struct Heard {
  DeviceChange change;
  std::wstring path;
  DWORD threadId;
};

class DeviceWatchTest : public ::testing::Test {
 protected:
  void Start() {
    watcher_ = DeviceNotificationWindow::Start([this](DeviceChange change, const std::wstring& path) {
      std::scoped_lock lock(mutex_);
      heard_.push_back({change, path, GetCurrentThreadId()});
    });
    ASSERT_NE(watcher_, nullptr);
    ASSERT_NE(watcher_->Window(), nullptr);
  }

  // Delivered like the system does: SendMessage runs the window procedure on the window's thread.
  LRESULT Send(WPARAM event, std::vector<std::uint8_t>& broadcast) {
    return SendMessageW(watcher_->Window(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast.data()));
  }

  std::vector<Heard> HeardSoFar() {
    std::scoped_lock lock(mutex_);
    return heard_;
  }

  std::unique_ptr<DeviceNotificationWindow> watcher_;
  std::mutex mutex_;
  std::vector<Heard> heard_;
};

TEST_F(DeviceWatchTest, ArrivalAndRemovalOfEveryInterfaceClassReachTheHandlerOnTheWindowThread) {
  Start();
  EXPECT_TRUE(watcher_->IsRegistered());
  // A HID interface of the keyboard, and its keyboard-class interface that the key filter sits on.
  const platform::Guid keyboardClass{0x884B96C3, 0x56EF, 0x11D1, {0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD}};
  const std::wstring keyboardPath =
      L"\\\\?\\HID#VID_1A2B&PID_0C3D&MI_00#7&2b3c4d5e&0&0000#{884b96c3-56ef-11d1-bc8c-00a0c91405dd}";
  const std::pair<std::wstring, platform::Guid> interfaces[] = {{kKeyboardPath, platform::kHidInterfaceClass},
                                                                {keyboardPath, keyboardClass}};
  for (const auto& [path, interfaceClass] : interfaces) {
    auto broadcast = Broadcast(path, interfaceClass);
    EXPECT_EQ(Send(DBT_DEVICEARRIVAL, broadcast), TRUE);
    EXPECT_EQ(Send(DBT_DEVICEREMOVECOMPLETE, broadcast), TRUE);
  }

  const auto heard = HeardSoFar();
  ASSERT_EQ(heard.size(), 4u);
  for (std::size_t i = 0; i < heard.size(); ++i) {
    EXPECT_EQ(heard[i].change, i % 2 == 0 ? DeviceChange::kArrival : DeviceChange::kRemoval) << i;
    EXPECT_EQ(heard[i].path, interfaces[i / 2].first) << i;
    EXPECT_EQ(heard[i].threadId, GetWindowThreadProcessId(watcher_->Window(), nullptr)) << i;
  }
  EXPECT_NE(heard[0].threadId, GetCurrentThreadId());
}

TEST_F(DeviceWatchTest, OtherEventsAndBroadcastTypesAreIgnored) {
  Start();
  auto hid = Broadcast(kKeyboardPath, platform::kHidInterfaceClass);
  auto volume = Broadcast(L"X", platform::kHidInterfaceClass, DBT_DEVTYP_VOLUME);
  Send(DBT_DEVICEQUERYREMOVE, hid);
  Send(DBT_DEVICEARRIVAL, volume);
  SendMessageW(watcher_->Window(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  EXPECT_TRUE(HeardSoFar().empty());
}

TEST_F(DeviceWatchTest, NameIsBoundedByTheBroadcastSize) {
  auto broadcast = Broadcast(L"\\\\?\\HID#VID_1A2B&PID_0C3D", platform::kHidInterfaceClass);
  auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(broadcast.data());
  // A size that ends after eight characters, with no terminator inside it.
  header->dbcc_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + 8 * sizeof(wchar_t));
  const auto decoded = DeviceNotificationWindow::Decode(DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(broadcast.data()));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->second, L"\\\\?\\HID#");
  EXPECT_FALSE(DeviceNotificationWindow::Decode(DBT_DEVICEARRIVAL, 0).has_value());
}

TEST_F(DeviceWatchTest, DestroyingTheSubscriptionEndsItsWindowAndThread) {
  platform::win32::WinHidSystem system;
  int calls = 0;
  auto subscription = system.WatchInterfaces([&](DeviceChange, const std::wstring&) { ++calls; });
  ASSERT_NE(subscription, nullptr);
  HWND window = FindWindowExW(HWND_MESSAGE, nullptr, DeviceNotificationWindow::kWindowClass, nullptr);
  ASSERT_NE(window, nullptr);
  auto broadcast = Broadcast(kKeyboardPath, platform::kHidInterfaceClass);
  SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(broadcast.data()));
  EXPECT_EQ(calls, 1);
  subscription.reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, DeviceNotificationWindow::kWindowClass, nullptr), nullptr);
}

}  // namespace
