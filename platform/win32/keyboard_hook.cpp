#include "platform/win32/keyboard_hook.h"

#include <chrono>
#include <future>
#include <vector>

#include "platform/win32/hook_key_router.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"

#include <wtsapi32.h>

namespace platform::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"kbconfig keyboard hook";
constexpr UINT kMsgCapture = WM_APP + 1;  // a new capture set is pending
constexpr UINT kMsgDeliver = WM_APP + 2;  // the hook procedure left key events in the outbox
constexpr UINT kMsgSettle = WM_APP + 3;   // lParam: a new std::promise<void>, answered and deleted
constexpr UINT kMsgDrop = WM_APP + 4;     // remove the hook behind the thread's back
constexpr UINT kMsgQuit = WM_APP + 5;
// Raw keyboard events the hook may not have seen without having been dropped: those whose hook
// call came before the hook was installed but whose raw input came after.
constexpr std::uint64_t kRawInputSlack = 2;
constexpr auto kSettleLimit = std::chrono::seconds(5);

constexpr USHORT kGenericDesktopUsagePage = 0x01;
constexpr USHORT kKeyboardUsage = 0x06;

std::uint64_t CounterFrequency() {
  static const std::uint64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<std::uint64_t>(value.QuadPart);
  }();
  return frequency;
}

std::uint64_t Counter() {
  LARGE_INTEGER value;
  QueryPerformanceCounter(&value);
  return static_cast<std::uint64_t>(value.QuadPart);
}

}  // namespace

// Everything the hook thread owns; touched on that thread only.
struct KeyboardHook::Thread {
  explicit Thread(KeyboardHook& owner) : owner(owner) { outbox.reserve(64); }

  static LRESULT CALLBACK HookProcedure(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  bool CreateWindowAndWatches();
  void Destroy();
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void ApplyPendingCapture();
  void Install();
  void Remove();
  void LoseKeys(const char* why);
  void MarkKeysAlreadyDown();
  void DeliverOutbox();
  void OnRawKeyboardInput();
  void Record(std::uint64_t started);

  KeyboardHook& owner;
  HWND window = nullptr;
  HHOOK hook = nullptr;
  bool rawInputRegistered = false;
  bool sessionWatched = false;
  CaptureSet capture;
  HookKeyRouter router;
  std::vector<portable::KeyEventBytes> outbox;
  bool deliverPosted = false;
  std::uint64_t hookCalls = 0;      // since the hook was installed
  std::uint64_t rawKeyEvents = 0;   // since the hook was installed
};

namespace {
thread_local KeyboardHook::Thread* t_hookThread = nullptr;
}  // namespace

LRESULT CALLBACK KeyboardHook::Thread::HookProcedure(int code, WPARAM wParam, LPARAM lParam) {
  Thread* self = t_hookThread;
  if (code == HC_ACTION && self != nullptr) try {
    const std::uint64_t started = Counter();
    const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    HookedKey key;
    key.virtualKey = static_cast<std::uint8_t>(info->vkCode);
    key.scanCode = info->scanCode;
    key.extended = (info->flags & LLKHF_EXTENDED) != 0;
    key.up = (info->flags & LLKHF_UP) != 0;
    key.ours = (info->flags & LLKHF_INJECTED) != 0 && info->dwExtraInfo == kOwnInputTag;
    ++self->hookCalls;
    const HookVerdict verdict = info->vkCode <= 0xFF ? self->router.Route(key, self->capture) : HookVerdict{};
    if (verdict.report) {
      self->outbox.push_back(verdict.event);
      if (!self->deliverPosted) self->deliverPosted = PostMessageW(self->window, kMsgDeliver, 0, 0) != FALSE;
    }
    self->Record(started);
    if (verdict.consume) return 1;
  } catch (const std::bad_alloc&) {
    // The outbox could not grow: the key passes rather than being lost.
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void KeyboardHook::Thread::Record(std::uint64_t started) {
  const std::uint64_t nanoseconds = (Counter() - started) * 1'000'000'000ull / CounterFrequency();
  owner.events_.fetch_add(1, std::memory_order_relaxed);
  owner.totalNanoseconds_.fetch_add(nanoseconds, std::memory_order_relaxed);
  if (nanoseconds > owner.maxNanoseconds_.load(std::memory_order_relaxed)) {
    owner.maxNanoseconds_.store(nanoseconds, std::memory_order_relaxed);
  }
}

LRESULT CALLBACK KeyboardHook::Thread::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Thread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  // No exception may cross the system's dispatch: the thread ends instead, releasing every key.
  try {
    return self->Handle(message, wParam, lParam);
  } catch (const std::exception& error) {
    support::LogFailure("keyboard hook thread", error.what());
    PostQuitMessage(1);
    return 0;
  }
}

bool KeyboardHook::Thread::CreateWindowAndWatches() {
  static const ATOM windowClass = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &Thread::WindowProcedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = kWindowClass;
    const ATOM atom = RegisterClassExW(&description);
    if (atom == 0) LogWinFailure("RegisterClassExW(keyboard hook)", GetLastError());
    return atom;
  }();
  if (windowClass == 0) return false;
  window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  if (window == nullptr) {
    LogWinFailure("CreateWindowExW(keyboard hook)", GetLastError());
    return false;
  }
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // The lock screen takes key releases the hook never sees.
  sessionWatched = WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != FALSE;
  if (!sessionWatched) LogWinFailure("WTSRegisterSessionNotification(keyboard hook)", GetLastError());
  return true;
}

void KeyboardHook::Thread::Destroy() {
  Remove();
  if (sessionWatched) WTSUnRegisterSessionNotification(window);
  // Settle requests still queued are answered; whatever else is queued dies with the thread.
  MSG message;
  while (PeekMessageW(&message, window, kMsgSettle, kMsgSettle, PM_REMOVE)) {
    std::unique_ptr<std::promise<void>> reached(reinterpret_cast<std::promise<void>*>(message.lParam));
    reached->set_value();
  }
  if (window != nullptr) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    window = nullptr;
  }
}

void KeyboardHook::Thread::ApplyPendingCapture() {
  std::unique_ptr<CaptureSet> pending;
  {
    std::scoped_lock lock(owner.mutex_);
    pending = std::move(owner.pending_);
  }
  if (!pending) return;
  capture = *pending;
  if (capture.Empty()) {
    Remove();
  } else if (hook == nullptr) {
    Install();
  }
}

void KeyboardHook::Thread::MarkKeysAlreadyDown() {
  for (int virtualKey = 0x07; virtualKey <= 0xFE; ++virtualKey) {
    // The side-neutral Shift, Ctrl and Alt stand for their left and right keys, which are asked.
    if (virtualKey >= VK_SHIFT && virtualKey <= VK_MENU) continue;
    if ((GetAsyncKeyState(virtualKey) & 0x8000) == 0) continue;
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC_EX);
    HookedKey key;
    key.virtualKey = static_cast<std::uint8_t>(virtualKey);
    key.scanCode = scan & 0xFF;
    key.extended = (scan >> 8) == 0xE0;
    router.MarkHeld(key);
  }
}

void KeyboardHook::Thread::Install() {
  t_hookThread = this;
  HHOOK installed = SetWindowsHookExW(WH_KEYBOARD_LL, &Thread::HookProcedure, GetModuleHandleW(nullptr), 0);
  if (installed == nullptr) {
    LogWinFailure("SetWindowsHookExW(WH_KEYBOARD_LL)", GetLastError());
    return;
  }
  // A hook still listed (a re-installation) goes only now, so no key slips through between.
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  hook = installed;
  hookCalls = 0;
  rawKeyEvents = 0;
  if (!rawInputRegistered) {
    RAWINPUTDEVICE device{kGenericDesktopUsagePage, kKeyboardUsage, RIDEV_INPUTSINK, window};
    rawInputRegistered = RegisterRawInputDevices(&device, 1, sizeof device) != FALSE;
    if (!rawInputRegistered) LogWinFailure("RegisterRawInputDevices(keyboard, hook watch)", GetLastError());
  }
  MarkKeysAlreadyDown();
  owner.installs_.fetch_add(1);
  owner.installed_.store(true);
}

void KeyboardHook::Thread::Remove() {
  if (rawInputRegistered) {
    RAWINPUTDEVICE device{kGenericDesktopUsagePage, kKeyboardUsage, RIDEV_REMOVE, nullptr};
    if (!RegisterRawInputDevices(&device, 1, sizeof device)) {
      LogWinFailure("RegisterRawInputDevices(remove hook watch)", GetLastError());
    }
    rawInputRegistered = false;
  }
  if (hook == nullptr) return;
  if (!UnhookWindowsHookEx(hook)) LogWinFailure("UnhookWindowsHookEx", GetLastError());
  hook = nullptr;
  owner.installed_.store(false);
  LoseKeys(nullptr);
}

void KeyboardHook::Thread::LoseKeys(const char* why) {
  if (why != nullptr) support::Log("keyboard hook: %s; captured and typed keys are released\n", why);
  DeliverOutbox();
  for (const portable::KeyEventBytes& release : router.Forget()) {
    if (owner.callbacks_.deliver) owner.callbacks_.deliver(release);
  }
  if (owner.callbacks_.keysLost) owner.callbacks_.keysLost();
}

void KeyboardHook::Thread::DeliverOutbox() {
  deliverPosted = false;
  if (outbox.empty()) return;
  std::vector<portable::KeyEventBytes> events;
  events.swap(outbox);
  outbox.reserve(64);
  for (const portable::KeyEventBytes& event : events) {
    if (owner.callbacks_.deliver) owner.callbacks_.deliver(event);
  }
}

void KeyboardHook::Thread::OnRawKeyboardInput() {
  if (hook == nullptr) return;
  ++rawKeyEvents;
  // Every key the system passes on went through the hook first; keys arriving past it mean the
  // system has dropped it.
  if (rawKeyEvents <= hookCalls + kRawInputSlack) return;
  support::Log("keyboard hook: the system removed it, it is installed again\n");
  LoseKeys(nullptr);
  Install();
  owner.reinstalls_.fetch_add(1);
}

LRESULT KeyboardHook::Thread::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMsgCapture:
      ApplyPendingCapture();
      return 0;
    case kMsgDeliver:
      DeliverOutbox();
      return 0;
    case kMsgSettle: {
      DeliverOutbox();
      std::unique_ptr<std::promise<void>> reached(reinterpret_cast<std::promise<void>*>(lParam));
      reached->set_value();
      return 0;
    }
    case kMsgDrop:
      if (hook != nullptr && !UnhookWindowsHookEx(hook)) LogWinFailure("UnhookWindowsHookEx(drop)", GetLastError());
      return 0;  // `hook` stays set: the thread does not know
    case kMsgQuit:
      PostQuitMessage(0);
      return 0;
    case WM_INPUT: {
      RAWINPUTHEADER header{};
      UINT size = sizeof header;
      if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_HEADER, &header, &size, sizeof header) ==
              sizeof header &&
          header.dwType == RIM_TYPEKEYBOARD) {
        OnRawKeyboardInput();
      }
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_WTSSESSION_CHANGE:
      if (hook != nullptr && (wParam == WTS_SESSION_LOCK || wParam == WTS_CONSOLE_DISCONNECT ||
                              wParam == WTS_REMOTE_DISCONNECT)) {
        LoseKeys("the session was locked");
      } else if (hook != nullptr && (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT ||
                                     wParam == WTS_REMOTE_CONNECT)) {
        MarkKeysAlreadyDown();
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

KeyboardHook::KeyboardHook(Callbacks callbacks) : callbacks_(std::move(callbacks)) {
  std::promise<bool> started;
  std::future<bool> ready = started.get_future();
  thread_ = std::thread([this, &started] {
    Thread state(*this);
    // Whatever way the loop ends, the hook goes and no key stays down.
    struct Cleanup {
      Thread& state;
      KeyboardHook& owner;
      ~Cleanup() {
        owner.window_.store(nullptr);
        owner.running_.store(false);
        state.Destroy();
        t_hookThread = nullptr;
      }
    } cleanup{state, *this};
    const bool created = state.CreateWindowAndWatches();
    if (created) {
      window_.store(state.window);
      running_.store(true);
    }
    started.set_value(created);
    if (!created) return;
    try {
      MSG message;
      while (true) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) {
          LogWinFailure("GetMessageW(keyboard hook)", GetLastError());
          break;
        }
        DispatchMessageW(&message);
      }
    } catch (const std::exception& error) {
      support::LogFailure("keyboard hook thread", error.what());
    }
  });
  ready.wait();
}

KeyboardHook::~KeyboardHook() {
  if (void* window = window_.load()) PostMessageW(static_cast<HWND>(window), kMsgQuit, 0, 0);
  if (thread_.joinable()) thread_.join();
}

void KeyboardHook::SetCapture(const portable::CaptureSet& capture) {
  {
    std::scoped_lock lock(mutex_);
    pending_ = std::make_unique<portable::CaptureSet>(capture);
  }
  void* window = window_.load();
  if (window == nullptr || !PostMessageW(static_cast<HWND>(window), kMsgCapture, 0, 0)) {
    LogWinFailure("PostMessageW(keyboard hook capture set)", window == nullptr ? 0 : GetLastError());
  }
}

bool KeyboardHook::Settle() {
  void* window = window_.load();
  if (window == nullptr) return false;
  auto reached = std::make_unique<std::promise<void>>();
  std::future<void> done = reached->get_future();
  if (!PostMessageW(static_cast<HWND>(window), kMsgSettle, 0, reinterpret_cast<LPARAM>(reached.get()))) {
    LogWinFailure("PostMessageW(keyboard hook settle)", GetLastError());
    return false;
  }
  reached.release();  // the thread answers and deletes it
  if (done.wait_for(kSettleLimit) != std::future_status::ready) {
    support::LogFailure("keyboard hook", "its thread did not answer within 5 s");
    return false;
  }
  return true;
}

KeyboardHook::Figures KeyboardHook::Statistics() const {
  Figures figures;
  figures.events = events_.load();
  figures.totalNanoseconds = totalNanoseconds_.load();
  figures.maxNanoseconds = maxNanoseconds_.load();
  figures.installs = installs_.load();
  figures.reinstalls = reinstalls_.load();
  return figures;
}

void KeyboardHook::DropHookForTest() {
  if (void* window = window_.load()) PostMessageW(static_cast<HWND>(window), kMsgDrop, 0, 0);
}

void KeyboardHook::LockSessionForTest() {
  if (void* window = window_.load()) PostMessageW(static_cast<HWND>(window), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
}

}  // namespace platform::win32
