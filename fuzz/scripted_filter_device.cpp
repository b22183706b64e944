#include "fuzz/scripted_filter_device.h"

#include <algorithm>
#include <cstring>

#include "hostdrv/filter_requests.h"

namespace fuzz {
namespace {

using End = platform::PendingRequest::End;

class Event final : public platform::AbortEvent {
 public:
  void Set() override {
    {
      std::scoped_lock lock(mutex_);
      set_ = true;
    }
    changed_.notify_all();
  }
  void Reset() override {
    std::scoped_lock lock(mutex_);
    set_ = false;
  }
  // Waits until set and consumes it.
  void WaitAndConsume() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return set_; });
    set_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

// Ends as decided when it was submitted; one with no end waits for its abort event.
class ScriptedRequest final : public platform::PendingRequest {
 public:
  explicit ScriptedRequest(std::optional<End> end) : end_(end) {}
  End WaitOrAbort(platform::AbortEvent& abort) override {
    if (end_) return *end_;
    static_cast<Event&>(abort).WaitAndConsume();
    return End{End::Kind::kAborted, 0, 0};
  }
  void Cancel() override {}

 private:
  std::optional<End> end_;
};

class ScriptedDevice final : public platform::FilterDevice {
 public:
  explicit ScriptedDevice(std::shared_ptr<ScriptedFilterSystem::State> state) : state_(std::move(state)) {}

  platform::SubmitOutcome Submit(std::uint32_t code, const void*, std::size_t, void* output,
                                 std::size_t outputSize) override {
    platform::SubmitOutcome outcome;
    if (code != HidUsbFilter::kRequestReadKeyEvent) return Pending(End{End::Kind::kCompleted, 0, 0});

    std::unique_lock lock(state_->mutex);
    if (state_->emptyReadsLeft > 0) {
      --state_->emptyReadsLeft;
      return Pending(std::nullopt);
    }
    if (state_->next == state_->script.size()) {
      state_->drained = true;
      lock.unlock();
      state_->drainedChanged.notify_all();
      return Pending(std::nullopt);
    }
    const ReadStep step = state_->script[state_->next++];
    lock.unlock();
    switch (step.kind) {
      case ReadStep::Kind::kRefused:
        outcome.kind = platform::SubmitOutcome::Kind::kFailed;
        outcome.error = step.error;
        return outcome;
      case ReadStep::Kind::kCompletedAtOnce:
        outcome.kind = platform::SubmitOutcome::Kind::kCompletedAtOnce;
        return outcome;
      case ReadStep::Kind::kEndedWithError:
        return Pending(End{End::Kind::kFailed, 0, step.error});
      case ReadStep::Kind::kShortRead:
      case ReadStep::Kind::kEvent:
        std::memcpy(output, step.bytes, std::min<std::size_t>({outputSize, sizeof step.bytes, step.bytesReturned}));
        return Pending(End{End::Kind::kCompleted, step.bytesReturned, 0});
    }
    return outcome;
  }

 private:
  static platform::SubmitOutcome Pending(std::optional<End> end) {
    platform::SubmitOutcome outcome;
    outcome.kind = platform::SubmitOutcome::Kind::kPending;
    outcome.pending = std::make_unique<ScriptedRequest>(end);
    return outcome;
  }

  std::shared_ptr<ScriptedFilterSystem::State> state_;
};

}  // namespace

ScriptedFilterSystem::ScriptedFilterSystem(std::vector<ReadStep> script, int emptyReadsFirst)
    : state_(std::make_shared<State>()) {
  state_->script = std::move(script);
  state_->emptyReadsLeft = emptyReadsFirst;
}

std::unique_ptr<platform::AbortEvent> ScriptedFilterSystem::CreateAbortEvent() { return std::make_unique<Event>(); }

std::unique_ptr<platform::FilterDevice> ScriptedFilterSystem::OpenFilterDevice(const std::wstring&, std::uint32_t,
                                                                               std::uint32_t& error) {
  error = 0;
  return std::make_unique<ScriptedDevice>(state_);
}

bool ScriptedFilterSystem::WaitUntilDrained(std::chrono::seconds limit) {
  std::unique_lock lock(state_->mutex);
  return state_->drainedChanged.wait_for(lock, limit, [this] { return state_->drained; });
}

}  // namespace fuzz
