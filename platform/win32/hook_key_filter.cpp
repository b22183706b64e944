#include "platform/win32/hook_key_filter.h"

#include <mutex>
#include <optional>
#include <system_error>

#include "platform/filter_protocol.h"
#include "platform/portable/capture_set.h"
#include "platform/portable/key_read_queue.h"
#include "platform/win32/keyboard_hook.h"
#include "platform/win32/win_api.h"
#include "support/logger.h"

namespace platform::win32 {

namespace {
constexpr std::size_t kMaxQueuedEvents = 256;
}  // namespace

struct HookKeyFilter::State {
  explicit State(std::function<void()> lost) : keysLost(std::move(lost)) {}

  // What the hook captures now. Caller holds the queue's mutex.
  portable::CaptureSet EffectiveCaptureSet() const { return captureSet.WithEverything(recordingAllKeys); }

  // From the hook thread.
  void Deliver(const portable::KeyEventBytes& event) {
    {
      std::scoped_lock lock(reads->Mutex());
      if (!reads->DeliverLocked(event)) support::LogFailure("key filter", "event queue full, key event dropped");
    }
    reads->Changed().notify_all();
  }

  // Hands the capture set to the hook (started on first need) and waits until it has it. Called
  // without the queue's mutex: the hook thread takes it to deliver.
  void PublishCapture(const portable::CaptureSet& capture) {
    std::scoped_lock lock(hookMutex);
    // A hook whose thread gave up is replaced by a new one.
    if (hook && hook->Ended()) hook.reset();
    if (!hook) {
      if (capture.Empty()) return;
      try {
        hook = std::make_unique<KeyboardHook>(KeyboardHook::Callbacks{
            [this](const portable::KeyEventBytes& event) { Deliver(event); }, keysLost});
      } catch (const std::system_error& error) {
        support::LogFailure("keyboard hook thread", error.what());  // keys then pass, none is lost
        return;
      }
    }
    hook->SetCapture(capture);
    hook->Settle();
  }

  std::function<void()> keysLost;
  std::shared_ptr<portable::KeyReadQueue> reads = std::make_shared<portable::KeyReadQueue>(
      portable::KeyReadQueue::Errors{ERROR_INVALID_PARAMETER, ERROR_OPERATION_ABORTED}, kMaxQueuedEvents);
  // Guarded by reads->Mutex().
  portable::CaptureSet captureSet;
  bool recordingAllKeys = false;  // set by 0x226010, ended by 0x226008
  int nextHandleSerial = 1;

  std::mutex hookMutex;  // orders capture publications; guards `hook`
  std::unique_ptr<KeyboardHook> hook;
};

namespace {

using State = HookKeyFilter::State;

class HookFilterDevice final : public FilterDevice {
 public:
  HookFilterDevice(std::shared_ptr<State> state, int serial, std::uint32_t access)
      : state_(std::move(state)), serial_(serial), access_(access) {}

  ~HookFilterDevice() override {
    {
      std::scoped_lock lock(state_->reads->Mutex());
      state_->reads->CancelReadsOfLocked(serial_);
    }
    state_->reads->Changed().notify_all();
  }

  SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                       std::size_t outputSize) override {
    const std::uint32_t required = portable::AccessRequiredBy(code);
    if ((access_ & required) != required) return portable::FailedSubmit(ERROR_ACCESS_DENIED);
    portable::KeyReadQueue& reads = *state_->reads;

    std::optional<portable::CaptureSet> publish;
    {
      std::scoped_lock lock(reads.Mutex());
      switch (code) {
        case kFilterRequestReadKeyEvent:
          if (output == nullptr || outputSize < 4) return portable::FailedSubmit(ERROR_INVALID_PARAMETER);
          return reads.SubmitReadLocked(serial_, output, false).outcome;
        case kFilterRequestCaptureTable: {
          const auto* bytes = static_cast<const std::uint8_t*>(input);
          if (inputSize > 0 && bytes == nullptr) return portable::FailedSubmit(ERROR_INVALID_PARAMETER);
          const std::optional<portable::CaptureSet> set = portable::CaptureSet::FromTable({bytes, inputSize});
          if (!set) return portable::FailedSubmit(ERROR_INVALID_PARAMETER);
          state_->captureSet = *set;
          publish = state_->EffectiveCaptureSet();
          break;
        }
        case kFilterRequestPrepare:
        case kFilterRequestSetMode:
          state_->recordingAllKeys = code == kFilterRequestSetMode;
          publish = state_->EffectiveCaptureSet();
          break;
        case kFilterRequestArm:
          break;
        default:
          return portable::FailedSubmit(ERROR_INVALID_FUNCTION);
      }
    }
    if (publish) state_->PublishCapture(*publish);
    std::scoped_lock lock(reads.Mutex());
    return reads.CompletedLocked(false);
  }

 private:
  std::shared_ptr<State> state_;
  int serial_;
  std::uint32_t access_;
};

}  // namespace

HookKeyFilter::HookKeyFilter(std::function<void()> keysLost)
    : state_(std::make_shared<State>(std::move(keysLost))) {}

HookKeyFilter::~HookKeyFilter() {
  std::unique_ptr<KeyboardHook> hook;
  {
    std::scoped_lock lock(state_->hookMutex);
    hook = std::move(state_->hook);
  }
  hook.reset();  // removes the hook; its last releases go to the queue
}

std::unique_ptr<AbortEvent> HookKeyFilter::CreateAbortEvent() { return state_->reads->CreateAbortEvent(); }

std::unique_ptr<FilterDevice> HookKeyFilter::OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                              std::uint32_t& error) {
  if (path != kFilterDevicePath) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  std::scoped_lock lock(state_->reads->Mutex());
  error = 0;
  return std::make_unique<HookFilterDevice>(state_, state_->nextHandleSerial++, access);
}

KeyboardHook* HookKeyFilter::Hook() {
  std::scoped_lock lock(state_->hookMutex);
  return state_->hook.get();
}

}  // namespace platform::win32
