#pragma once
// The low-level keyboard hook (WH_KEYBOARD_LL) on a thread of its own with its message loop.
//
// The hook procedure decides from the capture set the thread holds (hook_key_router.h) and returns
// at once: it takes no lock, waits for nothing and allocates only when its small outbox grows, so
// Windows never drops it for being slow (LowLevelHooksTimeout). Captured key events leave the hook
// procedure through that outbox; the thread's message loop hands them on once the procedure has
// returned. A new capture set reaches the thread as a message.
//
// The hook is installed while the capture set captures anything. Keys already down when it is
// installed pass until they are released. Should the system drop the hook anyway, raw keyboard
// input that arrives without the hook having seen it shows it, and the hook is installed again.
//
// Keys are lost for the hook when it is removed, dropped, on session lock (the lock screen takes
// the releases) and when the thread ends, also by an exception: each time the releases of the
// captured keys still held are handed on and `keysLost` runs, so nothing stays down.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/portable/capture_set.h"
#include "platform/portable/key_read_queue.h"

namespace platform::win32 {

class KeyboardHook {
 public:
  struct Callbacks {
    // A captured key event, on the hook thread after the hook procedure returned.
    std::function<void(const portable::KeyEventBytes&)> deliver;
    // Keys were lost for the hook (see above): the program's own injected keys are released.
    std::function<void()> keysLost;
  };

  // Time spent inside the hook procedure, over the events it decided.
  struct Figures {
    std::uint64_t events = 0;
    std::uint64_t totalNanoseconds = 0;
    std::uint64_t maxNanoseconds = 0;
    std::uint32_t installs = 0;    // successful installations, re-installations included
    std::uint32_t reinstalls = 0;  // installations after the system had dropped the hook
  };

  explicit KeyboardHook(Callbacks callbacks);
  // Removes the hook (handing on the releases of captured keys still held) and ends the thread.
  ~KeyboardHook();
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Replaces what the hook captures (any thread). The thread applies it at once; a set that
  // captures nothing removes the hook.
  void SetCapture(const portable::CaptureSet& capture);
  // Waits until the thread has applied every SetCapture made before (for callers that must know
  // the hook is in place, and tests). False when the thread is not running.
  bool Settle();

  bool Running() const { return running_.load(); }
  bool Installed() const { return installed_.load(); }
  Figures Statistics() const;

  // Removes the hook behind the thread's back, as the system does with a hook it gives up on.
  void DropHookForTest();
  // Tells the thread the session was locked, as Windows does.
  void LockSessionForTest();

  struct Thread;

 private:
  void Run();

  Callbacks callbacks_;
  std::mutex mutex_;  // guards pending_ and settle requests
  std::unique_ptr<portable::CaptureSet> pending_;
  std::atomic<void*> window_{nullptr};  // the thread's message window, once it exists
  std::atomic<bool> running_{false};
  std::atomic<bool> installed_{false};
  std::atomic<std::uint64_t> events_{0};
  std::atomic<std::uint64_t> totalNanoseconds_{0};
  std::atomic<std::uint64_t> maxNanoseconds_{0};
  std::atomic<std::uint32_t> installs_{0};
  std::atomic<std::uint32_t> reinstalls_{0};
  std::thread thread_;
};

}  // namespace platform::win32
