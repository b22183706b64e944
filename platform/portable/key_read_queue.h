#pragma once
// The read side of a key filter device emulated in this process (the sim driver and the Linux
// grab): reads of 0x226044 waiting for a key event, events waiting for a read, and the waits of
// pending requests that an abort event cuts short. Devices, their pending requests and abort
// events share one queue; its mutex also guards the owner's own state.
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/filter_device.h"

namespace platform::portable {

using KeyEventBytes = std::array<std::uint8_t, 4>;

// A refused submit.
SubmitOutcome FailedSubmit(std::uint32_t error);

// The access (kGenericRead/kGenericWrite) a control code asks of the handle, from its access bits.
std::uint32_t AccessRequiredBy(std::uint32_t code);

class KeyReadQueue : public std::enable_shared_from_this<KeyReadQueue> {
 public:
  // The OS error codes the backend reports with.
  struct Errors {
    std::uint32_t foreignAbortEvent;  // a wait given an abort event of another driver
    std::uint32_t cancelled;          // a request cancelled, aborted or whose handle closed
  };
  struct Request;  // one request on its way

  KeyReadQueue(Errors errors, std::size_t maxQueuedEvents);

  std::mutex& Mutex() const { return mutex_; }
  // Notified whenever a request ends, an event arrives or an abort event is set.
  std::condition_variable& Changed() { return changed_; }

  std::unique_ptr<AbortEvent> CreateAbortEvent();

  // The rest is called with Mutex() held.

  // A read on `handle` into `output` (4 bytes): completed from the oldest queued event, or
  // waiting for the next one. With `atOnce` a read that found an event completes inside the
  // submit. `waiting` tells which.
  struct ReadSubmit {
    SubmitOutcome outcome;
    bool waiting = false;
  };
  ReadSubmit SubmitReadLocked(int handle, void* output, bool atOnce);
  // A request that needs no wait: completed at once, or pending and already ended.
  SubmitOutcome CompletedLocked(bool atOnce);
  // Completes the oldest waiting read with `event` or queues it. False when the queue is full and
  // the event was dropped. Notify Changed() after unlocking.
  bool DeliverLocked(const KeyEventBytes& event);
  // Ends every read still waiting on `handle` as cancelled (its handle closes).
  void CancelReadsOfLocked(int handle);
  void ClearQueuedEventsLocked() { queuedEvents_.clear(); }

  std::size_t WaitingReadsLocked() const { return waitingReads_.size(); }
  std::size_t QueuedEventsLocked() const { return queuedEvents_.size(); }
  int AbortEventSetsLocked() const { return abortEventSets_; }

 private:
  friend class QueuedAbortEvent;
  friend class QueuedPendingRequest;

  SubmitOutcome Pending(std::shared_ptr<Request> request);
  void CancelLocked(Request& request);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  const Errors errors_;
  const std::size_t maxQueuedEvents_;
  std::deque<std::shared_ptr<Request>> waitingReads_;
  std::deque<KeyEventBytes> queuedEvents_;
  int abortEventSets_ = 0;
};

}  // namespace platform::portable
