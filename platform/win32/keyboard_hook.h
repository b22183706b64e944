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
// input of a key the hook did not see shows it (hook_drop_check.h), and the hook is installed
// again. Under Wine the thread is woken every 2 s while the hook is installed: Wine passes keys by
// the hook of a thread that has asked for no message for 5 s.
//
// Keys typed by programs (injected: this program's own, an on-screen keyboard, a password
// manager, a remote-control tool, characters sent as VK_PACKET) always pass untouched: the key
// filter driver sits on the keyboard's own device and never sees them, and this path does as the
// driver does.
//
// Keys are lost for the hook when it is removed, dropped, on session lock (the lock screen takes
// the releases) and when the thread ends, also by an exception: each time the releases of the
// captured keys still held are handed on and `keysLost` runs, so nothing stays down. A thread
// that ended unexpectedly is started again with the capture set it had (a thread that keeps
// failing at once is given up after a few tries, with a log line).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
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
    std::uint32_t restarts = 0;    // starts of the thread after it had ended unexpectedly
  };

  enum class SettleOutcome {
    kApplied,      // the thread has applied every SetCapture made before
    kThreadEnded,  // the thread has ended, or is ending, for good
    kNoAnswer,     // no answer within 5 s, or asked on the hook's own thread
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
  // the hook is in place, and tests). Returns at once once the thread is ending for good.
  SettleOutcome Settle();

  bool Running() const { return running_.load(); }
  // The thread has ended for good (it failed again and again, or could not start).
  bool Ended();
  bool Installed() const { return installed_.load(); }
  Figures Statistics() const;

  // Removes the hook behind the thread's back, as the system does with a hook it gives up on.
  void DropHookForTest();
  // Tells the thread the session was locked, as Windows does.
  void LockSessionForTest();
  // Makes the thread fail as an exception inside it would.
  void FailThreadForTest();

  struct Thread;

 private:
  enum class RunEnd { kStopped, kNotStarted, kFailed };
  void Run(std::promise<bool>* started);
  RunEnd RunOnce(std::promise<bool>* started);
  bool PostToThread(unsigned message, std::uintptr_t wParam = 0);

  Callbacks callbacks_;
  std::mutex mutex_;  // guards the members down to settled_
  std::optional<portable::CaptureSet> wanted_;  // the last SetCapture
  bool captureChanged_ = false;                 // wanted_ not yet taken by the thread
  void* window_ = nullptr;                      // the thread's message window, while it runs
  bool stopping_ = false;                       // the destructor asked the thread to end
  bool ended_ = false;                          // the thread has ended for good
  std::uint64_t settleAsked_ = 0;               // tickets of Settle calls
  std::uint64_t settleAnswered_ = 0;            // every ticket up to this one is answered
  std::condition_variable settled_;
  std::atomic<std::thread::id> threadId_{};
  std::atomic<bool> running_{false};
  std::atomic<bool> installed_{false};
  std::atomic<std::uint64_t> events_{0};
  std::atomic<std::uint64_t> totalNanoseconds_{0};
  std::atomic<std::uint64_t> maxNanoseconds_{0};
  std::atomic<std::uint32_t> installs_{0};
  std::atomic<std::uint32_t> reinstalls_{0};
  std::atomic<std::uint32_t> restarts_{0};
  std::thread thread_;
};

}  // namespace platform::win32
