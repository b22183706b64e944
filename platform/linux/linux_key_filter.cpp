#include "platform/linux/linux_key_filter.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/hid.h"
#include "platform/linux/capture_set.h"
#include "support/logger.h"

namespace platform::linux_backend {

namespace {

constexpr wchar_t kFilterDevicePath[] = L"\\\\.\\vhidflt";
constexpr std::uint32_t kCodeStart = 0x226008;
constexpr std::uint32_t kCodeArm = 0x22600C;
constexpr std::uint32_t kCodeMode = 0x226010;
constexpr std::uint32_t kCodeReadKey = 0x226044;
constexpr std::uint32_t kCodeCaptureTable = 0x22A000;
constexpr std::size_t kMaxQueuedEvents = 256;

// One request on its way; shared by the driver and the requester's wait.
struct RequestRecord {
  int handle = 0;
  void* output = nullptr;
  bool done = false;
  bool failed = false;
  std::uint32_t bytesReturned = 0;
  std::uint32_t error = 0;
};

}  // namespace

struct LinuxKeyFilter::State {
  explicit State(KeyboardNodeFinder finder) : findNodes(std::move(finder)) {}

  // What the grab captures now. Caller holds the mutex.
  CaptureSet EffectiveCaptureSet() const { return recordingAllKeys ? CaptureSet::Everything() : captureSet; }

  KeyboardNodeFinder findNodes;
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::optional<std::pair<std::uint16_t, std::uint16_t>> keyboard;  // vendor, product
  CaptureSet captureSet;
  // Set by 0x226010 (the macro editor records every key), ended by 0x226008, the first request
  // of every monitoring start.
  bool recordingAllKeys = false;
  std::deque<std::shared_ptr<RequestRecord>> pendingReads;
  std::deque<KeyEventBytes> queuedEvents;
  int openHandles = 0;
  int nextHandleSerial = 1;
  std::unique_ptr<GrabEngine> engine;  // runs while a handle is open

  // From the engine's thread.
  void Deliver(const KeyEventBytes& event) {
    {
      std::scoped_lock lock(mutex);
      if (!pendingReads.empty()) {
        std::shared_ptr<RequestRecord> read = pendingReads.front();
        pendingReads.pop_front();
        std::memcpy(read->output, event.data(), event.size());
        read->bytesReturned = static_cast<std::uint32_t>(event.size());
        read->done = true;
      } else if (queuedEvents.size() < kMaxQueuedEvents) {
        queuedEvents.push_back(event);
      } else {
        support::LogFailure("key filter", "event queue full, key event dropped");
      }
    }
    changed.notify_all();
  }

  std::vector<std::string> CurrentNodes() {
    std::optional<std::pair<std::uint16_t, std::uint16_t>> target;
    {
      std::scoped_lock lock(mutex);
      target = keyboard;
    }
    if (!target) return {};
    return findNodes(target->first, target->second);
  }
};

namespace {

using State = LinuxKeyFilter::State;

class LinuxAbortEvent final : public AbortEvent {
 public:
  explicit LinuxAbortEvent(std::shared_ptr<State> state) : state_(std::move(state)) {}

  void Set() override {
    {
      std::scoped_lock lock(state_->mutex);
      signalled_ = true;
    }
    state_->changed.notify_all();
  }

  void Reset() override {
    std::scoped_lock lock(state_->mutex);
    signalled_ = false;
  }

  bool BelongsTo(const State* state) const { return state_.get() == state; }
  bool& SignalledLocked() { return signalled_; }

 private:
  std::shared_ptr<State> state_;
  bool signalled_ = false;  // guarded by state_->mutex
};

class LinuxPendingRequest final : public PendingRequest {
 public:
  LinuxPendingRequest(std::shared_ptr<State> state, std::shared_ptr<RequestRecord> record)
      : state_(std::move(state)), record_(std::move(record)) {}
  ~LinuxPendingRequest() override { Cancel(); }

  End WaitOrAbort(AbortEvent& abort) override {
    auto* event = dynamic_cast<LinuxAbortEvent*>(&abort);
    if (event == nullptr || !event->BelongsTo(state_.get())) {
      Cancel();
      return End{End::Kind::kFailed, 0, EINVAL};
    }
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return record_->done || event->SignalledLocked(); });
    if (record_->done) {
      if (record_->failed) return End{End::Kind::kFailed, 0, record_->error};
      return End{End::Kind::kCompleted, record_->bytesReturned, 0};
    }
    event->SignalledLocked() = false;  // auto-reset: this wait consumes the event
    CancelLocked();
    return End{End::Kind::kAborted, 0, ECANCELED};
  }

  void Cancel() override {
    std::scoped_lock lock(state_->mutex);
    CancelLocked();
  }

 private:
  void CancelLocked() {
    if (record_->done) return;
    auto& reads = state_->pendingReads;
    reads.erase(std::remove(reads.begin(), reads.end(), record_), reads.end());
    record_->done = true;
    record_->failed = true;
    record_->error = ECANCELED;
  }

  std::shared_ptr<State> state_;
  std::shared_ptr<RequestRecord> record_;
};

std::uint32_t RequiredAccess(std::uint32_t code) {
  const std::uint32_t access = (code >> 14) & 3;
  std::uint32_t required = 0;
  if (access & 1) required |= kGenericRead;
  if (access & 2) required |= kGenericWrite;
  return required;
}

class LinuxFilterDevice final : public FilterDevice {
 public:
  LinuxFilterDevice(std::shared_ptr<State> state, int serial, std::uint32_t access)
      : state_(std::move(state)), serial_(serial), access_(access) {}

  ~LinuxFilterDevice() override {
    std::unique_ptr<GrabEngine> stopped;
    {
      std::scoped_lock lock(state_->mutex);
      for (auto it = state_->pendingReads.begin(); it != state_->pendingReads.end();) {
        if ((*it)->handle == serial_) {
          (*it)->done = true;
          (*it)->failed = true;
          (*it)->error = ECANCELED;
          it = state_->pendingReads.erase(it);
        } else {
          ++it;
        }
      }
      if (--state_->openHandles == 0) {
        stopped = std::move(state_->engine);
        state_->queuedEvents.clear();
      }
    }
    state_->changed.notify_all();
    stopped.reset();  // joins the engine's thread outside the lock (it delivers under it)
  }

  SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                       std::size_t outputSize) override {
    const std::uint32_t required = RequiredAccess(code);
    if ((access_ & required) != required) return Failed(EACCES);
    auto record = std::make_shared<RequestRecord>();
    record->handle = serial_;
    record->output = output;

    switch (code) {
      case kCodeReadKey: {
        if (output == nullptr || outputSize < 4) return Failed(EINVAL);
        std::scoped_lock lock(state_->mutex);
        if (!state_->queuedEvents.empty()) {
          const KeyEventBytes event = state_->queuedEvents.front();
          state_->queuedEvents.pop_front();
          std::memcpy(output, event.data(), event.size());
          record->bytesReturned = static_cast<std::uint32_t>(event.size());
          record->done = true;
        } else {
          state_->pendingReads.push_back(record);
        }
        return Pending(std::move(record));
      }
      case kCodeCaptureTable: {
        const auto* bytes = static_cast<const std::uint8_t*>(input);
        if (inputSize > 0 && bytes == nullptr) return Failed(EINVAL);
        const std::optional<CaptureSet> set = CaptureSet::FromTable({bytes, inputSize});
        if (!set) return Failed(EINVAL);
        std::scoped_lock lock(state_->mutex);
        state_->captureSet = *set;
        if (state_->engine) state_->engine->SetCaptureSet(state_->EffectiveCaptureSet());
        record->done = true;
        return Pending(std::move(record));
      }
      case kCodeStart:
      case kCodeMode: {
        std::scoped_lock lock(state_->mutex);
        state_->recordingAllKeys = code == kCodeMode;
        if (state_->engine) state_->engine->SetCaptureSet(state_->EffectiveCaptureSet());
        record->done = true;
        return Pending(std::move(record));
      }
      case kCodeArm:
        record->done = true;
        return Pending(std::move(record));
      default:
        return Failed(EINVAL);
    }
  }

 private:
  static SubmitOutcome Failed(std::uint32_t error) {
    SubmitOutcome outcome;
    outcome.kind = SubmitOutcome::Kind::kFailed;
    outcome.error = error;
    return outcome;
  }

  SubmitOutcome Pending(std::shared_ptr<RequestRecord> record) {
    SubmitOutcome outcome;
    outcome.kind = SubmitOutcome::Kind::kPending;
    outcome.pending = std::make_unique<LinuxPendingRequest>(state_, std::move(record));
    return outcome;
  }

  std::shared_ptr<State> state_;
  int serial_;
  std::uint32_t access_;
};

}  // namespace

LinuxKeyFilter::LinuxKeyFilter(KeyboardNodeFinder findNodes) : state_(std::make_shared<State>(std::move(findNodes))) {}

LinuxKeyFilter::~LinuxKeyFilter() {
  std::unique_ptr<GrabEngine> stopped;
  {
    std::scoped_lock lock(state_->mutex);
    stopped = std::move(state_->engine);
  }
}

std::unique_ptr<AbortEvent> LinuxKeyFilter::CreateAbortEvent() { return std::make_unique<LinuxAbortEvent>(state_); }

std::unique_ptr<FilterDevice> LinuxKeyFilter::OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                               std::uint32_t& error) {
  if (path != kFilterDevicePath) {
    error = ENOENT;
    return nullptr;
  }
  std::scoped_lock lock(state_->mutex);
  if (state_->openHandles++ == 0) {
    std::weak_ptr<State> weak = state_;
    state_->engine = std::make_unique<GrabEngine>(
        [weak] {
          auto state = weak.lock();
          return state ? state->CurrentNodes() : std::vector<std::string>{};
        },
        [weak](const KeyEventBytes& event) {
          if (auto state = weak.lock()) state->Deliver(event);
        });
    state_->engine->SetCaptureSet(state_->EffectiveCaptureSet());
  }
  return std::make_unique<LinuxFilterDevice>(state_, state_->nextHandleSerial++, access);
}

void LinuxKeyFilter::SetKeyboard(std::uint16_t vendorId, std::uint16_t productId) {
  std::scoped_lock lock(state_->mutex);
  const std::pair<std::uint16_t, std::uint16_t> target{vendorId, productId};
  if (state_->keyboard == target) return;
  state_->keyboard = target;
  if (state_->engine) state_->engine->Rescan();
}

std::vector<std::string> LinuxKeyFilter::GrabbedNodes() const {
  std::scoped_lock lock(state_->mutex);
  return state_->engine ? state_->engine->GrabbedNodes() : std::vector<std::string>{};
}

}  // namespace platform::linux_backend
