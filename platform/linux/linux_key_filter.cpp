#include "platform/linux/linux_key_filter.h"

#include <cerrno>
#include <mutex>
#include <optional>

#include "platform/filter_protocol.h"
#include "platform/portable/key_read_queue.h"
#include "support/logger.h"

namespace platform::linux_backend {

namespace {

constexpr std::size_t kMaxQueuedEvents = 256;

}  // namespace

struct LinuxKeyFilter::State : std::enable_shared_from_this<State> {
  explicit State(KeyboardNodeFinder finder) : findNodes(std::move(finder)) {}

  // What the grab captures now. Caller holds the mutex.
  CaptureSet EffectiveCaptureSet() const { return recordingAllKeys ? CaptureSet::Everything() : captureSet; }

  KeyboardNodeFinder findNodes;
  std::shared_ptr<portable::KeyReadQueue> reads =
      std::make_shared<portable::KeyReadQueue>(portable::KeyReadQueue::Errors{EINVAL, ECANCELED}, kMaxQueuedEvents);
  // Everything below is guarded by reads->Mutex().
  std::optional<std::pair<std::uint16_t, std::uint16_t>> keyboard;  // vendor, product
  CaptureSet captureSet;
  // Set by 0x226010 (the macro editor records every key), ended by 0x226008, the first request
  // of every monitoring start.
  bool recordingAllKeys = false;
  int openHandles = 0;
  int nextHandleSerial = 1;
  // Runs from the first open while a handle is open or something is captured. Closing every handle
  // keeps it, its held keys and the queued events, as a filter driver goes on filtering without a
  // client: the channel re-opens (closes, then opens) on every keyboard arrival, and a grab ended
  // there would hand a held key's release to the system and throw away a queued release, leaving
  // its replacement down. The channel clears the table before its last close, which ends the grab.
  std::unique_ptr<GrabEngine> engine;

  // Caller holds the mutex.
  void StartEngineLocked() {
    std::weak_ptr<State> weak = weak_from_this();
    engine = std::make_unique<GrabEngine>(
        [weak] {
          auto state = weak.lock();
          return state ? state->CurrentNodes() : std::vector<std::string>{};
        },
        [weak](const KeyEventBytes& event) {
          if (auto state = weak.lock()) state->Deliver(event);
        });
    engine->SetCaptureSet(EffectiveCaptureSet());
  }
  // The engine to stop (destroyed by the caller outside the lock) when no handle is open and
  // nothing is captured. Caller holds the mutex.
  std::unique_ptr<GrabEngine> EngineNoLongerNeededLocked() {
    if (openHandles > 0 || !EffectiveCaptureSet().Empty()) return nullptr;
    return std::move(engine);
  }

  // From the engine's thread.
  void Deliver(const KeyEventBytes& event) {
    {
      std::scoped_lock lock(reads->Mutex());
      if (!reads->DeliverLocked(event)) support::LogFailure("key filter", "event queue full, key event dropped");
    }
    reads->Changed().notify_all();
  }

  std::vector<std::string> CurrentNodes() {
    std::optional<std::pair<std::uint16_t, std::uint16_t>> target;
    {
      std::scoped_lock lock(reads->Mutex());
      target = keyboard;
    }
    if (!target) return {};
    return findNodes(target->first, target->second);
  }
};

namespace {

using State = LinuxKeyFilter::State;

class LinuxFilterDevice final : public FilterDevice {
 public:
  LinuxFilterDevice(std::shared_ptr<State> state, int serial, std::uint32_t access)
      : state_(std::move(state)), serial_(serial), access_(access) {}

  ~LinuxFilterDevice() override {
    std::unique_ptr<GrabEngine> stopped;
    {
      std::scoped_lock lock(state_->reads->Mutex());
      state_->reads->CancelReadsOfLocked(serial_);
      --state_->openHandles;
      stopped = state_->EngineNoLongerNeededLocked();
    }
    state_->reads->Changed().notify_all();
    if (!stopped) return;
    stopped.reset();  // joins the engine's thread outside the lock (it delivers under it)
    // Nobody is left to read what was queued, the releases of the stopped grab included.
    std::scoped_lock lock(state_->reads->Mutex());
    if (state_->openHandles == 0 && !state_->engine) state_->reads->ClearQueuedEventsLocked();
  }

  SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                       std::size_t outputSize) override {
    const std::uint32_t required = portable::AccessRequiredBy(code);
    if ((access_ & required) != required) return portable::FailedSubmit(EACCES);
    portable::KeyReadQueue& reads = *state_->reads;

    switch (code) {
      case kFilterRequestReadKeyEvent: {
        if (output == nullptr || outputSize < 4) return portable::FailedSubmit(EINVAL);
        std::scoped_lock lock(reads.Mutex());
        return reads.SubmitReadLocked(serial_, output, false).outcome;
      }
      case kFilterRequestCaptureTable: {
        const auto* bytes = static_cast<const std::uint8_t*>(input);
        if (inputSize > 0 && bytes == nullptr) return portable::FailedSubmit(EINVAL);
        const std::optional<CaptureSet> set = CaptureSet::FromTable({bytes, inputSize});
        if (!set) return portable::FailedSubmit(EINVAL);
        std::scoped_lock lock(reads.Mutex());
        state_->captureSet = *set;
        if (state_->engine) state_->engine->SetCaptureSet(state_->EffectiveCaptureSet());
        return reads.CompletedLocked(false);
      }
      case kFilterRequestPrepare:
      case kFilterRequestSetMode: {
        std::scoped_lock lock(reads.Mutex());
        state_->recordingAllKeys = code == kFilterRequestSetMode;
        if (state_->engine) state_->engine->SetCaptureSet(state_->EffectiveCaptureSet());
        return reads.CompletedLocked(false);
      }
      case kFilterRequestArm: {
        std::scoped_lock lock(reads.Mutex());
        return reads.CompletedLocked(false);
      }
      default:
        return portable::FailedSubmit(EINVAL);
    }
  }

 private:
  std::shared_ptr<State> state_;
  int serial_;
  std::uint32_t access_;
};

}  // namespace

LinuxKeyFilter::LinuxKeyFilter(KeyboardNodeFinder findNodes) : state_(std::make_shared<State>(std::move(findNodes))) {}

LinuxKeyFilter::~LinuxKeyFilter() {
  std::unique_ptr<GrabEngine> stopped;
  {
    std::scoped_lock lock(state_->reads->Mutex());
    stopped = std::move(state_->engine);
  }
}

std::unique_ptr<AbortEvent> LinuxKeyFilter::CreateAbortEvent() { return state_->reads->CreateAbortEvent(); }

std::unique_ptr<FilterDevice> LinuxKeyFilter::OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                               std::uint32_t& error) {
  if (path != kFilterDevicePath) {
    error = ENOENT;
    return nullptr;
  }
  std::scoped_lock lock(state_->reads->Mutex());
  ++state_->openHandles;
  if (!state_->engine) state_->StartEngineLocked();
  return std::make_unique<LinuxFilterDevice>(state_, state_->nextHandleSerial++, access);
}

void LinuxKeyFilter::SetKeyboard(std::uint16_t vendorId, std::uint16_t productId) {
  std::scoped_lock lock(state_->reads->Mutex());
  const std::pair<std::uint16_t, std::uint16_t> target{vendorId, productId};
  if (state_->keyboard == target) return;
  state_->keyboard = target;
  if (state_->engine) state_->engine->Rescan();
}

std::vector<std::string> LinuxKeyFilter::GrabbedNodes() const {
  std::scoped_lock lock(state_->reads->Mutex());
  return state_->engine ? state_->engine->GrabbedNodes() : std::vector<std::string>{};
}

}  // namespace platform::linux_backend
