#include "platform/portable/key_read_queue.h"

#include <cstring>

#include "platform/hid.h"

namespace platform::portable {

struct KeyReadQueue::Request {
  int handle = 0;
  void* output = nullptr;
  bool done = false;
  bool failed = false;
  std::uint32_t bytesReturned = 0;
  std::uint32_t error = 0;
};

SubmitOutcome FailedSubmit(std::uint32_t error) {
  SubmitOutcome outcome;
  outcome.kind = SubmitOutcome::Kind::kFailed;
  outcome.error = error;
  return outcome;
}

std::uint32_t AccessRequiredBy(std::uint32_t code) {
  const std::uint32_t access = (code >> 14) & 3;
  std::uint32_t required = 0;
  if (access & 1) required |= kGenericRead;
  if (access & 2) required |= kGenericWrite;
  return required;
}

class QueuedAbortEvent final : public AbortEvent {
 public:
  explicit QueuedAbortEvent(std::shared_ptr<KeyReadQueue> queue) : queue_(std::move(queue)) {}

  void Set() override {
    {
      std::scoped_lock lock(queue_->mutex_);
      signalled_ = true;
      ++queue_->abortEventSets_;
    }
    queue_->changed_.notify_all();
  }

  void Reset() override {
    std::scoped_lock lock(queue_->mutex_);
    signalled_ = false;
  }

  bool BelongsTo(const KeyReadQueue* queue) const { return queue_.get() == queue; }
  bool& SignalledLocked() { return signalled_; }

 private:
  std::shared_ptr<KeyReadQueue> queue_;
  bool signalled_ = false;  // guarded by the queue's mutex
};

class QueuedPendingRequest final : public PendingRequest {
 public:
  QueuedPendingRequest(std::shared_ptr<KeyReadQueue> queue, std::shared_ptr<KeyReadQueue::Request> request)
      : queue_(std::move(queue)), request_(std::move(request)) {}
  ~QueuedPendingRequest() override { Cancel(); }

  End WaitOrAbort(AbortEvent& abort) override {
    auto* event = dynamic_cast<QueuedAbortEvent*>(&abort);
    if (event == nullptr || !event->BelongsTo(queue_.get())) {
      Cancel();
      return End{End::Kind::kFailed, 0, queue_->errors_.foreignAbortEvent};
    }
    std::unique_lock lock(queue_->mutex_);
    queue_->changed_.wait(lock, [&] { return request_->done || event->SignalledLocked(); });
    if (request_->done) {
      if (request_->failed) return End{End::Kind::kFailed, 0, request_->error};
      return End{End::Kind::kCompleted, request_->bytesReturned, 0};
    }
    event->SignalledLocked() = false;  // auto-reset: this wait consumes the event
    queue_->CancelLocked(*request_);
    return End{End::Kind::kAborted, 0, queue_->errors_.cancelled};
  }

  void Cancel() override {
    std::scoped_lock lock(queue_->mutex_);
    queue_->CancelLocked(*request_);
  }

 private:
  std::shared_ptr<KeyReadQueue> queue_;
  std::shared_ptr<KeyReadQueue::Request> request_;
};

KeyReadQueue::KeyReadQueue(Errors errors, std::size_t maxQueuedEvents)
    : errors_(errors), maxQueuedEvents_(maxQueuedEvents) {}

std::unique_ptr<AbortEvent> KeyReadQueue::CreateAbortEvent() {
  return std::make_unique<QueuedAbortEvent>(shared_from_this());
}

SubmitOutcome KeyReadQueue::Pending(std::shared_ptr<Request> request) {
  SubmitOutcome outcome;
  outcome.kind = SubmitOutcome::Kind::kPending;
  outcome.pending = std::make_unique<QueuedPendingRequest>(shared_from_this(), std::move(request));
  return outcome;
}

KeyReadQueue::ReadSubmit KeyReadQueue::SubmitReadLocked(int handle, void* output, bool atOnce) {
  auto request = std::make_shared<Request>();
  request->handle = handle;
  request->output = output;
  if (queuedEvents_.empty()) {
    waitingReads_.push_back(request);
    return ReadSubmit{Pending(std::move(request)), true};
  }
  const KeyEventBytes event = queuedEvents_.front();
  queuedEvents_.pop_front();
  std::memcpy(output, event.data(), event.size());
  if (atOnce) {
    SubmitOutcome outcome;
    outcome.kind = SubmitOutcome::Kind::kCompletedAtOnce;
    outcome.bytesReturned = static_cast<std::uint32_t>(event.size());
    return ReadSubmit{std::move(outcome), false};
  }
  request->bytesReturned = static_cast<std::uint32_t>(event.size());
  request->done = true;
  return ReadSubmit{Pending(std::move(request)), false};
}

SubmitOutcome KeyReadQueue::CompletedLocked(bool atOnce) {
  if (atOnce) {
    SubmitOutcome outcome;
    outcome.kind = SubmitOutcome::Kind::kCompletedAtOnce;
    return outcome;
  }
  auto request = std::make_shared<Request>();
  request->done = true;
  return Pending(std::move(request));
}

bool KeyReadQueue::DeliverLocked(const KeyEventBytes& event) {
  if (!waitingReads_.empty()) {
    std::shared_ptr<Request> read = waitingReads_.front();
    waitingReads_.pop_front();
    std::memcpy(read->output, event.data(), event.size());
    read->bytesReturned = static_cast<std::uint32_t>(event.size());
    read->done = true;
    return true;
  }
  if (queuedEvents_.size() >= maxQueuedEvents_) return false;
  queuedEvents_.push_back(event);
  return true;
}

void KeyReadQueue::CancelReadsOfLocked(int handle) {
  for (auto it = waitingReads_.begin(); it != waitingReads_.end();) {
    if ((*it)->handle == handle) {
      Request& read = **it;
      read.done = true;
      read.failed = true;
      read.error = errors_.cancelled;
      it = waitingReads_.erase(it);
    } else {
      ++it;
    }
  }
}

void KeyReadQueue::CancelLocked(Request& request) {
  if (request.done) return;
  std::erase_if(waitingReads_, [&request](const std::shared_ptr<Request>& read) { return read.get() == &request; });
  request.done = true;
  request.failed = true;
  request.error = errors_.cancelled;
}

}  // namespace platform::portable
