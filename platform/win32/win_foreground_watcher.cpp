#include "platform/win32/win_foreground_watcher.h"

#include <future>
#include <set>
#include <thread>
#include <utility>

#include "platform/win32/win_error.h"
#include "platform/win32/wine_check.h"
#include "support/logger.h"
#include "support/text.h"

namespace platform::win32 {

namespace {

using Callback = std::function<void(const ForegroundProgram&)>;

// Processes whose program could not be told, logged once each; forgotten when this many gather.
constexpr std::size_t kLoggedProcessesKept = 256;
// How often the foreground window is looked at where the system raises no foreground events (Wine).
constexpr DWORD kLookIntervalMs = 20;

// One subscription: the hook thread with its message loop. Destroying it ends the thread; once the
// destructor returns, the callback neither runs nor will run.
class ForegroundHookThread final : public Subscription {
 public:
  ForegroundHookThread(ImagePathQuery imagePathOf, Callback onChange, std::shared_ptr<std::atomic<bool>> failed)
      : imagePathOf_(std::move(imagePathOf)), onChange_(std::move(onChange)), failed_(std::move(failed)) {
    std::promise<DWORD> started;
    std::future<DWORD> threadId = started.get_future();
    thread_ = std::thread([this, started = std::move(started)]() mutable { Run(started); });
    threadId_ = threadId.get();
  }

  ~ForegroundHookThread() override {
    if (threadId_ != 0 && !PostThreadMessageW(threadId_, WM_QUIT, 0, 0)) {
      LogWinFailure("PostThreadMessageW(foreground watcher)", GetLastError());
    }
    thread_.join();
  }

  ForegroundHookThread(const ForegroundHookThread&) = delete;
  ForegroundHookThread& operator=(const ForegroundHookThread&) = delete;

 private:
  static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD thread,
                               DWORD time);
  void Run(std::promise<DWORD>& started);
  void WaitForEvents();
  void LookAtForeground();
  void OnForeground(HWND window);
  void OnParentChange();
  void Tell(HWND window);
  void WaitForAppOf(HWND frame);
  void StopWaitingForApp();

  ImagePathQuery imagePathOf_;
  Callback onChange_;
  std::shared_ptr<std::atomic<bool>> failed_;
  std::thread thread_;
  DWORD threadId_ = 0;
  // On the hook thread only:
  HWINEVENTHOOK parentHook_ = nullptr;
  HWND frameWaitedOn_ = nullptr;
  HWND lastForeground_ = nullptr;
  std::set<DWORD> loggedProcesses_;
};

thread_local ForegroundHookThread* t_watcher = nullptr;

// Nothing may leave a callback of the system's or end the hook thread: a failure costs one look.
template <typename Look>
void Guarded(Look look) {
  try {
    look();
  } catch (const std::exception& error) {
    support::LogFailure("foreground watcher", error.what());
  }
}

void CALLBACK ForegroundHookThread::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
  ForegroundHookThread* self = t_watcher;
  if (self == nullptr || object != OBJID_WINDOW) return;
  Guarded([&] {
    if (event == EVENT_SYSTEM_FOREGROUND) {
      self->OnForeground(window);
    } else if (event == EVENT_OBJECT_PARENTCHANGE) {
      self->OnParentChange();
    }
  });
}

void ForegroundHookThread::Run(std::promise<DWORD>& started) {
  // The thread's message queue exists before anyone can post the quit message to it.
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  t_watcher = this;
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                             &ForegroundHookThread::OnEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  if (hook == nullptr) {
    LogWinFailure("SetWinEventHook(EVENT_SYSTEM_FOREGROUND)", GetLastError());
    failed_->store(true);
    started.set_value(0);
    return;
  }
  started.set_value(GetCurrentThreadId());
  Guarded([this] { OnForeground(GetForegroundWindow()); });
  if (RunsUnderWine()) {
    LookAtForeground();
  } else {
    WaitForEvents();
  }
  StopWaitingForApp();
  UnhookWinEvent(hook);
  t_watcher = nullptr;
}

void ForegroundHookThread::WaitForEvents() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

// Wine 8.0 raises EVENT_SYSTEM_FOREGROUND nowhere (nor EVENT_OBJECT_PARENTCHANGE), and its shell hook
// windows and HSHELL_WINDOWACTIVATED are not implemented: the foreground window is looked at
// between messages instead, on this thread only, and what the hook may still deliver is handled as
// on Windows. A UWP frame waiting for its app is looked into again meanwhile.
void ForegroundHookThread::LookAtForeground() {
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(0, nullptr, kLookIntervalMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) {
      LogWinFailure("MsgWaitForMultipleObjectsEx(foreground watcher)", GetLastError());
      WaitForEvents();
      return;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return;
      DispatchMessageW(&message);
    }
    const HWND window = GetForegroundWindow();
    Guarded([&] {
      if (window != lastForeground_) {
        OnForeground(window);
      } else if (frameWaitedOn_ != nullptr) {
        OnParentChange();
      }
    });
  }
}

void ForegroundHookThread::OnForeground(HWND window) {
  StopWaitingForApp();
  lastForeground_ = window;
  if (window != nullptr) Tell(window);
}

void ForegroundHookThread::OnParentChange() {
  // Some window got a new parent: perhaps the app's window went into the frame in front.
  const HWND frame = frameWaitedOn_;
  if (frame == nullptr || GetForegroundWindow() != frame) return;
  Tell(frame);
}

void ForegroundHookThread::Tell(HWND window) {
  const WindowProgram found = ProgramOfWindow(window, imagePathOf_);
  switch (found.outcome) {
    case WindowProgram::Outcome::kTold:
      StopWaitingForApp();
      onChange_(found.program);
      return;
    case WindowProgram::Outcome::kAppNotInFrame:
      WaitForAppOf(window);
      return;
    case WindowProgram::Outcome::kNotTold:
      if (loggedProcesses_.size() >= kLoggedProcessesKept) loggedProcesses_.clear();
      if (loggedProcesses_.insert(found.processId).second) {
        support::Log("foreground: the program of process %lu in front cannot be told (Windows error %lu%s%s); "
                     "the profile stays\n",
                     static_cast<unsigned long>(found.processId), static_cast<unsigned long>(found.error),
                     found.error != 0 ? ": " : "", ErrorMessage(found.error).c_str());
      }
      return;
    case WindowProgram::Outcome::kNoProcess:
      return;
  }
}

void ForegroundHookThread::WaitForAppOf(HWND frame) {
  frameWaitedOn_ = frame;
  if (parentHook_ != nullptr) return;
  // The app's window belongs to the app's process, which is not known yet: every process.
  parentHook_ = SetWinEventHook(EVENT_OBJECT_PARENTCHANGE, EVENT_OBJECT_PARENTCHANGE, nullptr,
                                &ForegroundHookThread::OnEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  if (parentHook_ == nullptr) LogWinFailure("SetWinEventHook(EVENT_OBJECT_PARENTCHANGE)", GetLastError());
}

void ForegroundHookThread::StopWaitingForApp() {
  frameWaitedOn_ = nullptr;
  if (parentHook_ == nullptr) return;
  UnhookWinEvent(parentHook_);
  parentHook_ = nullptr;
}

}  // namespace

WinForegroundWatcher::WinForegroundWatcher(ImagePathQuery imagePathOf)
    : imagePathOf_(std::move(imagePathOf)), failed_(std::make_shared<std::atomic<bool>>(false)) {}

bool WinForegroundWatcher::Available() const { return !failed_->load(); }

ForegroundUnavailable WinForegroundWatcher::Unavailable() const {
  return failed_->load() ? ForegroundUnavailable::kFailed : ForegroundUnavailable::kNone;
}

std::unique_ptr<Subscription> WinForegroundWatcher::Watch(std::function<void(const ForegroundProgram&)> onChange) {
  return std::make_unique<ForegroundHookThread>(imagePathOf_, std::move(onChange), failed_);
}

}  // namespace platform::win32
