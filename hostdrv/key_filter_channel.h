#pragma once
// The program's client of the key filter driver: holds its three handles, sends it control
// requests, runs the monitor thread that waits for key events, and hands each event to the
// listeners, newest first, until one consumes it.
//
// A request counts as carried out only when it goes pending and then completes: a driver that
// finishes a request inside the submit call, or refuses it, gets 0. Without the driver every
// request returns 0 and the monitor thread idles.
//
// The monitor thread never polls: with a read pending it waits for the read or the abort event;
// without listeners or without a device it sleeps until AddListener, Open or a stop wakes it; a
// device that refuses or fails reads is retried after a back-off that doubles from 10 ms to 1 s.
//
// Threads: Open, Close, Request, StartMonitoring, StopMonitoring and SetCaptureTable are called
// from one thread (the window thread). Listeners run on the monitor thread while the listener
// lock is held, so AddListener/RemoveListener never pull a listener away during its call; a
// listener therefore must not add, remove or stop listeners itself.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>

#include "hostdrv/filter_requests.h"
#include "hostdrv/key_event.h"
#include "hostdrv/monitor_proxy.h"
#include "platform/filter_device.h"

namespace HidUsbFilter {

class KeyFilterChannel {
 public:
  explicit KeyFilterChannel(platform::FilterDeviceSystem& system = platform::DefaultFilterDeviceSystem());
  // Stops monitoring, clears the driver's capture table, drops all listeners, closes.
  ~KeyFilterChannel();
  KeyFilterChannel(const KeyFilterChannel&) = delete;
  KeyFilterChannel& operator=(const KeyFilterChannel&) = delete;

  // Closes, then opens the read, write and request handles. True when the request handle opened.
  // A running monitor thread moves its next read to the new request handle.
  bool Open();
  // Aborts waits on the handles and closes every open handle.
  void Close();
  bool IsOpen() const;

  // One control request on the request handle: 1 when it went pending and completed, else 0.
  std::int32_t Request(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                       std::size_t outputSize);

  // Stops monitoring, sends the prepare and arm requests, drops the key events the driver queued
  // while no monitor thread read them, starts the monitor thread. Nonzero when the thread started.
  // The prepare request also ends the driver's capture-everything mode (kRequestSetMode).
  std::int32_t StartMonitoring();
  // Asks the monitor thread to end and waits for it; nothing when none runs.
  void StopMonitoring();
  bool IsMonitoring() const;

  // Stops monitoring and ends the driver's capture-everything mode (the prepare request), then
  // drops the key events queued meanwhile: keys typed while nobody listens are never handed to
  // anyone later. Monitoring stays stopped. The prepare request's result.
  std::int32_t EndCaptureEverything();

  // Sends the capture table of these keys (the first 256). 1 when the driver took it.
  std::int32_t SetCaptureTable(std::span<const KeyCode> keys);

  // Puts a listener in front of all others, unless the same owner and function are listed.
  template <class T>
  void AddListener(T* owner, typename MonitorProxy<T>::Handler handler) {
    {
      std::scoped_lock lock(listMutex_);
      if (FindListener(owner, handler) != listeners_.end()) return;
      listeners_.push_front(std::make_unique<MonitorProxy<T>>(owner, handler));
    }
    WakeMonitor();  // a monitor thread idling without listeners starts reading
  }

  // Removes and deletes the listener with this owner and function, if listed.
  template <class T>
  void RemoveListener(T* owner, typename MonitorProxy<T>::Handler handler) {
    std::scoped_lock lock(listMutex_);
    const auto found = FindListener(owner, handler);
    if (found != listeners_.end()) listeners_.erase(found);
  }

  std::size_t ListenerCount() const;

 private:
  using Listeners = std::list<std::unique_ptr<IMonitorProxy>>;
  using SharedDevice = std::shared_ptr<platform::FilterDevice>;

  template <class T>
  Listeners::iterator FindListener(const T* owner, typename MonitorProxy<T>::Handler handler) {
    for (auto it = listeners_.begin(); it != listeners_.end(); ++it) {
      const auto* proxy = dynamic_cast<const MonitorProxy<T>*>(it->get());
      if (proxy != nullptr && proxy->Matches(owner, handler)) return it;
    }
    return listeners_.end();
  }

  SharedDevice OpenHandle(std::uint32_t access, std::uint32_t& error);
  // Reads and throws away the key events the driver holds now (no monitor thread may run): each
  // read is given an abort that is already set, so it only takes an event that is there.
  void DropQueuedEvents();
  // The request handle with the generation it belongs to (bumped by every Close).
  std::pair<SharedDevice, std::uint64_t> RequestDevice() const;
  bool HasListeners() const;

  // How one attempt of the monitor thread to read a key event ended.
  enum class ReadOutcome {
    kDispatched,   // an event was read and handed to the listeners
    kAborted,      // a stop, close or re-open cut the read short: look again at once
    kNothingToDo,  // no listener or no device: wait until something changes
    kFailed,       // the device refused or failed the read: try again after a back-off
  };

  void MonitorLoop(std::uint64_t token);
  // Issues one key-event read and dispatches its event. `lastLoggedError` keeps a refused read
  // from being logged again at every retry.
  ReadOutcome ReadOnce(std::uint64_t token, std::uint32_t& lastLoggedError);
  void Dispatch(const KeyEvent& event);
  // Wakes the monitor thread from an idle wait: a listener was added, a device was opened.
  void WakeMonitor();
  std::uint64_t WakeCount();
  // Waits until the thread is stopped or woken after `wakeSeen` was read, at most `limit` when
  // given. Without a limit the idle thread does not wake up on its own at all.
  void IdleWait(std::uint64_t token, std::uint64_t wakeSeen, std::optional<std::chrono::milliseconds> limit);

  platform::FilterDeviceSystem& system_;
  const std::wstring devicePath_ = kFilterDevicePath;
  std::uint32_t accessWord_ = 0;

  mutable std::mutex handleMutex_;  // guards the three handles and handleGeneration_ updates
  SharedDevice readHandle_;
  SharedDevice writeHandle_;
  SharedDevice requestHandle_;
  std::atomic<std::uint64_t> handleGeneration_{0};

  // Auto-reset events that abort waits. The monitor thread waits on its own event, which only it
  // resets, so a stop or close from the window thread can never be swallowed by a reset there.
  std::unique_ptr<platform::AbortEvent> readEvent_;
  std::unique_ptr<platform::AbortEvent> writeEvent_;
  std::unique_ptr<platform::AbortEvent> requestEvent_;
  std::unique_ptr<platform::AbortEvent> monitorEvent_;

  // The token of the monitor thread allowed to run; 0 asks it to stop. Each thread gets its token
  // as an argument, so a newly started thread always knows its own.
  std::atomic<std::uint64_t> runToken_{0};
  std::uint64_t lastToken_ = 0;
  std::thread monitorThread_;
  std::mutex idleMutex_;
  std::condition_variable idleWake_;
  std::uint64_t wakeCount_ = 0;  // guarded by idleMutex_; bumped by WakeMonitor

  mutable std::mutex listMutex_;  // held while listeners run
  Listeners listeners_;           // newest first
};

}  // namespace HidUsbFilter
