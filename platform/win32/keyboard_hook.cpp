#include "platform/win32/keyboard_hook.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/hook_drop_check.h"
#include "platform/win32/hook_key_router.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "platform/win32/wine_check.h"
#include "support/logger.h"

#include <wtsapi32.h>

namespace platform::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"kbconfig keyboard hook";
constexpr UINT kMsgCapture = WM_APP + 1;  // a new capture set is pending
constexpr UINT kMsgDeliver = WM_APP + 2;  // the hook procedure left key events in the outbox
constexpr UINT kMsgSettle = WM_APP + 3;   // wParam: the Settle ticket to answer
constexpr UINT kMsgDrop = WM_APP + 4;     // remove the hook behind the thread's back
constexpr UINT kMsgQuit = WM_APP + 5;
constexpr UINT kMsgFail = WM_APP + 6;     // fail as an exception would (tests)
constexpr auto kSettleLimit = std::chrono::seconds(5);
// A thread that ends this soon after its start, this many times in a row, is not started again.
constexpr auto kQuickFailure = std::chrono::seconds(1);
constexpr int kMaxQuickFailures = 3;

// Wine passes a key by the low-level hook of a thread that has not asked for a message for 5 s,
// taking the thread for hung: the first key after a pause would go past the hook. Under Wine the
// thread is woken this often while its hook is in place; Windows has no such rule and no timer.
constexpr UINT_PTR kKeepAwakeTimer = 1;
constexpr UINT kKeepAwakeMilliseconds = 2000;

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

HookDropCheck::Microseconds CounterMicroseconds(std::uint64_t counter) {
  const std::uint64_t frequency = CounterFrequency();
  return HookDropCheck::Microseconds(
      static_cast<std::int64_t>(counter / frequency * 1'000'000 + counter % frequency * 1'000'000 / frequency));
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
  void OnRawKeyboardInput(const RAWKEYBOARD& record);
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
  HookDropCheck dropCheck;
  bool stopAsked = false;  // the run ends because the owner asked
};

namespace {
thread_local KeyboardHook::Thread* t_hookThread = nullptr;
}  // namespace

LRESULT CALLBACK KeyboardHook::Thread::HookProcedure(int code, WPARAM wParam, LPARAM lParam) {
  Thread* self = t_hookThread;
  if (code == HC_ACTION && self != nullptr) try {
    const std::uint64_t started = Counter();
    self->dropCheck.HookCalled(CounterMicroseconds(started));
    const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    HookedKey key;
    key.virtualKey = static_cast<std::uint8_t>(info->vkCode);
    key.scanCode = info->scanCode;
    key.extended = (info->flags & LLKHF_EXTENDED) != 0;
    key.up = (info->flags & LLKHF_UP) != 0;
    key.injected = (info->flags & LLKHF_INJECTED) != 0;
    // A VK_PACKET carries a character in its scan code, not a key: it is never looked at.
    const bool isKey = info->vkCode <= 0xFF && info->vkCode != VK_PACKET;
    const HookVerdict verdict = isKey ? self->router.Route(key, self->capture) : HookVerdict{};
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
  if (window != nullptr) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    window = nullptr;
  }
}

void KeyboardHook::Thread::ApplyPendingCapture() {
  std::optional<CaptureSet> wanted;
  std::uint64_t answerable = 0;
  {
    std::scoped_lock lock(owner.mutex_);
    if (!owner.captureChanged_) return;
    owner.captureChanged_ = false;
    wanted = owner.wanted_;
    // Every Settle asked by now came after the SetCapture it waits for.
    answerable = owner.settleAsked_;
  }
  capture = wanted.value_or(CaptureSet{});
  if (capture.Empty()) {
    Remove();
  } else if (hook == nullptr) {
    Install();
  }
  {
    std::scoped_lock lock(owner.mutex_);
    owner.settleAnswered_ = std::max(owner.settleAnswered_, answerable);
  }
  owner.settled_.notify_all();
}

void KeyboardHook::Thread::MarkKeysAlreadyDown() {
  // A virtual key does not tell which of its keys is down (Enter or keypad Enter, End or keypad 1
  // with Num Lock off): every key it may stand for is marked.
  const HWND front = GetForegroundWindow();
  const HKL layout = GetKeyboardLayout(front != nullptr ? GetWindowThreadProcessId(front, nullptr) : 0);
  for (int virtualKey = 0x07; virtualKey <= 0xFE; ++virtualKey) {
    // The side-neutral Shift, Ctrl and Alt stand for their left and right keys, which are asked.
    if (virtualKey >= VK_SHIFT && virtualKey <= VK_MENU) continue;
    if ((GetAsyncKeyState(virtualKey) & 0x8000) == 0) continue;
    const auto held = static_cast<std::uint8_t>(virtualKey);
    router.MarkHeld(held, FormsOfVirtualKey(held, MapVirtualKeyExW(held, MAPVK_VK_TO_VSC_EX, layout)));
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
  dropCheck.Reset();
  if (!rawInputRegistered) {
    RAWINPUTDEVICE device{kGenericDesktopUsagePage, kKeyboardUsage, RIDEV_INPUTSINK, window};
    rawInputRegistered = RegisterRawInputDevices(&device, 1, sizeof device) != FALSE;
    if (!rawInputRegistered) LogWinFailure("RegisterRawInputDevices(keyboard, hook watch)", GetLastError());
  }
  if (RunsUnderWine() && SetTimer(window, kKeepAwakeTimer, kKeepAwakeMilliseconds, nullptr) == 0) {
    LogWinFailure("SetTimer(keyboard hook, keep awake)", GetLastError());
  }
  // Raw input already queued is of keys from before this hook: it tells nothing about it.
  MSG queued;
  while (PeekMessageW(&queued, window, WM_INPUT, WM_INPUT, PM_REMOVE)) {
    DefWindowProcW(window, queued.message, queued.wParam, queued.lParam);
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
  if (RunsUnderWine()) KillTimer(window, kKeepAwakeTimer);
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

void KeyboardHook::Thread::OnRawKeyboardInput(const RAWKEYBOARD& record) {
  if (hook == nullptr) return;
  if (!dropCheck.RecordPassedTheHook(record.VKey, record.MakeCode, CounterMicroseconds(Counter()))) return;
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
      {
        std::scoped_lock lock(owner.mutex_);
        owner.settleAnswered_ = std::max<std::uint64_t>(owner.settleAnswered_, wParam);
      }
      owner.settled_.notify_all();
      return 0;
    }
    case kMsgDrop:
      if (hook != nullptr && !UnhookWindowsHookEx(hook)) LogWinFailure("UnhookWindowsHookEx(drop)", GetLastError());
      return 0;  // `hook` stays set: the thread does not know
    case kMsgQuit:
      stopAsked = true;
      PostQuitMessage(0);
      return 0;
    case kMsgFail:
      throw std::runtime_error("failure made by a test");
    case WM_TIMER:
      return 0;  // kept awake (see kKeepAwakeTimer)
    case WM_INPUT: {
      RAWINPUT record{};
      UINT size = sizeof record;
      const UINT got =
          GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &record, &size, sizeof(RAWINPUTHEADER));
      if (got != static_cast<UINT>(-1) && got >= sizeof(RAWINPUTHEADER) && record.header.dwType == RIM_TYPEKEYBOARD) {
        OnRawKeyboardInput(record.data.keyboard);
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
  thread_ = std::thread([this, &started] { Run(&started); });
  ready.wait();
}

void KeyboardHook::Run(std::promise<bool>* started) {
  threadId_.store(std::this_thread::get_id());
  int quickFailures = 0;
  while (true) {
    const auto begun = std::chrono::steady_clock::now();
    const RunEnd end = RunOnce(started);
    started = nullptr;
    if (end != RunEnd::kFailed) break;
    {
      std::scoped_lock lock(mutex_);
      if (stopping_) break;
      // The capture set goes to the next run, with the Settle calls waiting for it.
      captureChanged_ = true;
    }
    quickFailures = std::chrono::steady_clock::now() - begun < kQuickFailure ? quickFailures + 1 : 0;
    if (quickFailures >= kMaxQuickFailures) {
      support::LogFailure("keyboard hook thread", "it ended at once " + std::to_string(quickFailures) +
                                                      " times in a row; keys are no longer taken");
      break;
    }
    support::Log("keyboard hook: its thread ended unexpectedly, it is started again\n");
    restarts_.fetch_add(1);
  }
  {
    std::scoped_lock lock(mutex_);
    ended_ = true;
  }
  settled_.notify_all();
}

KeyboardHook::RunEnd KeyboardHook::RunOnce(std::promise<bool>* started) {
  Thread state(*this);
  // Whatever way the loop ends, the hook goes and no key stays down.
  struct Cleanup {
    Thread& state;
    KeyboardHook& owner;
    ~Cleanup() {
      {
        std::scoped_lock lock(owner.mutex_);
        owner.window_ = nullptr;
      }
      owner.running_.store(false);
      state.Destroy();
      t_hookThread = nullptr;
    }
  } cleanup{state, *this};
  bool created = state.CreateWindowAndWatches();
  if (created) {
    std::scoped_lock lock(mutex_);
    // A destructor that came first has posted nothing to this window: the run ends here.
    if (stopping_) {
      created = false;
    } else {
      window_ = state.window;
      running_.store(true);
    }
  }
  if (started != nullptr) started->set_value(created);
  if (!created) return RunEnd::kNotStarted;
  try {
    state.ApplyPendingCapture();
    MSG message;
    while (true) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) break;
      if (got == -1) {
        LogWinFailure("GetMessageW(keyboard hook)", GetLastError());
        return RunEnd::kFailed;
      }
      DispatchMessageW(&message);
    }
  } catch (const std::exception& error) {
    support::LogFailure("keyboard hook thread", error.what());
    return RunEnd::kFailed;
  }
  return state.stopAsked ? RunEnd::kStopped : RunEnd::kFailed;
}

KeyboardHook::~KeyboardHook() {
  void* window = nullptr;
  {
    std::scoped_lock lock(mutex_);
    stopping_ = true;
    window = window_;
  }
  settled_.notify_all();
  if (window != nullptr && !PostMessageW(static_cast<HWND>(window), kMsgQuit, 0, 0)) {
    LogWinFailure("PostMessageW(keyboard hook quit)", GetLastError());
  }
  if (thread_.joinable()) thread_.join();
}

bool KeyboardHook::PostToThread(unsigned message, std::uintptr_t wParam) {
  std::scoped_lock lock(mutex_);
  if (window_ == nullptr) return false;
  return PostMessageW(static_cast<HWND>(window_), message, static_cast<WPARAM>(wParam), 0) != FALSE;
}

void KeyboardHook::SetCapture(const portable::CaptureSet& capture) {
  void* window = nullptr;
  {
    std::scoped_lock lock(mutex_);
    wanted_ = capture;
    captureChanged_ = true;
    window = window_;
  }
  // Between two runs of the thread nothing is posted: the next run takes the set.
  if (window != nullptr && !PostMessageW(static_cast<HWND>(window), kMsgCapture, 0, 0)) {
    LogWinFailure("PostMessageW(keyboard hook capture set)", GetLastError());
  }
}

KeyboardHook::SettleOutcome KeyboardHook::Settle() {
  std::unique_lock lock(mutex_);
  if (stopping_ || ended_) return SettleOutcome::kThreadEnded;
  if (std::this_thread::get_id() == threadId_.load()) return SettleOutcome::kNoAnswer;
  const std::uint64_t ticket = ++settleAsked_;
  if (window_ != nullptr && !PostMessageW(static_cast<HWND>(window_), kMsgSettle, static_cast<WPARAM>(ticket), 0)) {
    LogWinFailure("PostMessageW(keyboard hook settle)", GetLastError());
  }
  // Answered by the thread, or by its next run when this one is ending.
  const bool woken =
      settled_.wait_for(lock, kSettleLimit, [&] { return settleAnswered_ >= ticket || stopping_ || ended_; });
  if (settleAnswered_ >= ticket) return SettleOutcome::kApplied;
  if (woken) return SettleOutcome::kThreadEnded;
  support::LogFailure("keyboard hook", "its thread did not answer within 5 s");
  return SettleOutcome::kNoAnswer;
}

bool KeyboardHook::Ended() {
  std::scoped_lock lock(mutex_);
  return ended_;
}

KeyboardHook::Figures KeyboardHook::Statistics() const {
  Figures figures;
  figures.events = events_.load();
  figures.totalNanoseconds = totalNanoseconds_.load();
  figures.maxNanoseconds = maxNanoseconds_.load();
  figures.installs = installs_.load();
  figures.reinstalls = reinstalls_.load();
  figures.restarts = restarts_.load();
  return figures;
}

void KeyboardHook::DropHookForTest() { PostToThread(kMsgDrop); }

void KeyboardHook::LockSessionForTest() { PostToThread(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK); }

void KeyboardHook::FailThreadForTest() { PostToThread(kMsgFail); }

}  // namespace platform::win32
