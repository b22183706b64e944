#include "platform/sim/sim_key_filter.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/hid.h"
#include "support/logger.h"

namespace sim {

namespace {

constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorOperationAborted = 995;
constexpr std::size_t kCaptureTableBytes = 1024;
constexpr std::size_t kMaxQueuedEvents = 64;
constexpr std::uint8_t kCaptureFlag = 0x02;

using EventBytes = std::array<std::uint8_t, 4>;

// One request on its way through the driver; shared by the driver and the requester's wait.
struct RequestRecord {
  int handle = 0;
  void* output = nullptr;
  bool done = false;
  bool failed = false;
  std::uint32_t bytesReturned = 0;
  std::uint32_t error = 0;
};

}  // namespace

struct SimKeyFilterDriver::State {
  mutable std::mutex mutex;
  std::condition_variable changed;
  bool installed = true;
  bool completeAtOnce = false;
  bool logEvents = false;
  bool holdReadSubmits = false;
  int heldSubmits = 0;
  int abortEventSets = 0;
  std::vector<std::uint8_t> captureTable;
  bool recordingAllKeys = false;
  std::vector<FilterRequest> requests;
  std::vector<int> readHandles;
  std::deque<std::shared_ptr<RequestRecord>> pendingReads;
  std::deque<EventBytes> queuedEvents;
  int maxPendingReads = 0;
  int openCalls = 0;
  int openHandles = 0;
  int nextHandleSerial = 1;

  bool Captures(std::uint32_t keyCode) const {
    if (recordingAllKeys) return true;
    const std::uint8_t page = static_cast<std::uint8_t>(keyCode >> 16);
    const std::uint8_t usage = static_cast<std::uint8_t>(keyCode);
    for (std::size_t at = 0; at + 4 <= captureTable.size(); at += 4) {
      if ((captureTable[at + 3] & kCaptureFlag) != 0 && captureTable[at] == usage && captureTable[at + 2] == page) {
        return true;
      }
    }
    return false;
  }

  // Completes the oldest pending read with `event`. Caller holds the mutex.
  void CompleteRead(RequestRecord& read, const EventBytes& event) {
    std::memcpy(read.output, event.data(), event.size());
    read.bytesReturned = static_cast<std::uint32_t>(event.size());
    read.done = true;
  }

  void Fail(RequestRecord& record, std::uint32_t error) {
    record.done = true;
    record.failed = true;
    record.error = error;
  }

  void Unqueue(const std::shared_ptr<RequestRecord>& record) {
    pendingReads.erase(std::remove(pendingReads.begin(), pendingReads.end(), record), pendingReads.end());
  }
};

namespace {

using State = SimKeyFilterDriver::State;

class SimAbortEvent final : public platform::AbortEvent {
 public:
  explicit SimAbortEvent(std::shared_ptr<State> state) : state_(std::move(state)) {}

  void Set() override {
    {
      std::scoped_lock lock(state_->mutex);
      signalled_ = true;
      ++state_->abortEventSets;
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

class SimPendingRequest final : public platform::PendingRequest {
 public:
  SimPendingRequest(std::shared_ptr<State> state, std::shared_ptr<RequestRecord> record)
      : state_(std::move(state)), record_(std::move(record)) {}
  ~SimPendingRequest() override { Cancel(); }

  End WaitOrAbort(platform::AbortEvent& abort) override {
    auto* event = dynamic_cast<SimAbortEvent*>(&abort);
    if (event == nullptr || !event->BelongsTo(state_.get())) {
      Cancel();
      return End{End::Kind::kFailed, 0, kErrorInvalidHandle};
    }
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return record_->done || event->SignalledLocked(); });
    if (record_->done) return EndOf(*record_);
    event->SignalledLocked() = false;  // auto-reset: this wait consumes the event
    CancelLocked();
    return End{End::Kind::kAborted, 0, kErrorOperationAborted};
  }

  void Cancel() override {
    std::scoped_lock lock(state_->mutex);
    CancelLocked();
  }

 private:
  static End EndOf(const RequestRecord& record) {
    if (record.failed) return End{End::Kind::kFailed, 0, record.error};
    return End{End::Kind::kCompleted, record.bytesReturned, 0};
  }

  void CancelLocked() {
    if (record_->done) return;
    state_->Unqueue(record_);
    state_->Fail(*record_, kErrorOperationAborted);
  }

  std::shared_ptr<State> state_;
  std::shared_ptr<RequestRecord> record_;
};

std::uint32_t RequiredAccess(std::uint32_t code) {
  const std::uint32_t access = (code >> 14) & 3;
  std::uint32_t required = 0;
  if (access & 1) required |= platform::kGenericRead;
  if (access & 2) required |= platform::kGenericWrite;
  return required;
}

class SimFilterDevice final : public platform::FilterDevice {
 public:
  SimFilterDevice(std::shared_ptr<State> state, int serial, std::uint32_t access)
      : state_(std::move(state)), serial_(serial), access_(access) {}

  ~SimFilterDevice() override {
    {
      std::scoped_lock lock(state_->mutex);
      --state_->openHandles;
      for (auto it = state_->pendingReads.begin(); it != state_->pendingReads.end();) {
        if ((*it)->handle == serial_) {
          state_->Fail(**it, kErrorOperationAborted);
          it = state_->pendingReads.erase(it);
        } else {
          ++it;
        }
      }
    }
    state_->changed.notify_all();
  }

  platform::SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                                 std::size_t outputSize) override {
    std::unique_lock lock(state_->mutex);
    const std::uint32_t required = RequiredAccess(code);
    if ((access_ & required) != required) return Failed(kErrorAccessDenied);

    auto record = std::make_shared<RequestRecord>();
    record->handle = serial_;
    record->output = output;

    if (code == kFilterCodeReadKey) {
      if (output == nullptr || outputSize < 4) return Failed(kErrorInsufficientBuffer);
      state_->readHandles.push_back(serial_);
      if (!state_->queuedEvents.empty()) {
        state_->CompleteRead(*record, state_->queuedEvents.front());
        state_->queuedEvents.pop_front();
        if (state_->completeAtOnce) return AtOnce(*record);
        return Pending(std::move(record));
      }
      state_->pendingReads.push_back(record);
      state_->maxPendingReads = std::max(state_->maxPendingReads, static_cast<int>(state_->pendingReads.size()));
      if (state_->holdReadSubmits) {
        ++state_->heldSubmits;
        state_->changed.wait(lock, [&] { return !state_->holdReadSubmits; });
        --state_->heldSubmits;
      }
      return Pending(std::move(record));
    }

    const auto* bytes = static_cast<const std::uint8_t*>(input);
    switch (code) {
      case kFilterCodeStart:
        state_->recordingAllKeys = false;
        break;
      case kFilterCodeMode:
        state_->recordingAllKeys = true;
        break;
      case kFilterCodeArm:
        break;
      case kFilterCodeCaptureTable:
        if (inputSize % 4 != 0 || inputSize > kCaptureTableBytes || (inputSize > 0 && bytes == nullptr)) {
          return Failed(kErrorInvalidParameter);
        }
        state_->captureTable.assign(bytes, bytes + inputSize);
        break;
      default:
        return Failed(kErrorInvalidFunction);
    }
    FilterRequest seen{code, serial_, {}};
    if (bytes != nullptr) seen.input.assign(bytes, bytes + inputSize);
    state_->requests.push_back(std::move(seen));
    record->done = true;
    if (state_->completeAtOnce) return AtOnce(*record);
    return Pending(std::move(record));
  }

 private:
  static platform::SubmitOutcome Failed(std::uint32_t error) {
    platform::SubmitOutcome outcome;
    outcome.kind = platform::SubmitOutcome::Kind::kFailed;
    outcome.error = error;
    return outcome;
  }

  static platform::SubmitOutcome AtOnce(const RequestRecord& record) {
    platform::SubmitOutcome outcome;
    outcome.kind = platform::SubmitOutcome::Kind::kCompletedAtOnce;
    outcome.bytesReturned = record.bytesReturned;
    return outcome;
  }

  platform::SubmitOutcome Pending(std::shared_ptr<RequestRecord> record) {
    platform::SubmitOutcome outcome;
    outcome.kind = platform::SubmitOutcome::Kind::kPending;
    outcome.pending = std::make_unique<SimPendingRequest>(state_, std::move(record));
    return outcome;
  }

  std::shared_ptr<State> state_;
  int serial_;
  std::uint32_t access_;
};

}  // namespace

SimKeyFilterDriver::SimKeyFilterDriver(bool installed) : state_(std::make_shared<State>()) {
  state_->installed = installed;
}

SimKeyFilterDriver::~SimKeyFilterDriver() = default;

std::unique_ptr<platform::AbortEvent> SimKeyFilterDriver::CreateAbortEvent() {
  return std::make_unique<SimAbortEvent>(state_);
}

std::unique_ptr<platform::FilterDevice> SimKeyFilterDriver::OpenFilterDevice(const std::wstring& path,
                                                                             std::uint32_t access,
                                                                             std::uint32_t& error) {
  std::scoped_lock lock(state_->mutex);
  ++state_->openCalls;
  if (!state_->installed || path != L"\\\\.\\vhidflt") {
    error = kErrorFileNotFound;
    return nullptr;
  }
  ++state_->openHandles;
  return std::make_unique<SimFilterDevice>(state_, state_->nextHandleSerial++, access);
}

void SimKeyFilterDriver::SetInstalled(bool installed) {
  std::scoped_lock lock(state_->mutex);
  state_->installed = installed;
}

void SimKeyFilterDriver::SetCompleteAtOnce(bool atOnce) {
  std::scoped_lock lock(state_->mutex);
  state_->completeAtOnce = atOnce;
}

void SimKeyFilterDriver::SetLogEvents(bool log) {
  std::scoped_lock lock(state_->mutex);
  state_->logEvents = log;
}

void SimKeyFilterDriver::HoldReadSubmits(bool hold) {
  {
    std::scoped_lock lock(state_->mutex);
    state_->holdReadSubmits = hold;
  }
  state_->changed.notify_all();
}

int SimKeyFilterDriver::HeldSubmits() const {
  std::scoped_lock lock(state_->mutex);
  return state_->heldSubmits;
}

int SimKeyFilterDriver::AbortEventSets() const {
  std::scoped_lock lock(state_->mutex);
  return state_->abortEventSets;
}

bool SimKeyFilterDriver::PressKey(std::uint32_t keyCode) { return KeyChange(keyCode, true); }
bool SimKeyFilterDriver::ReleaseKey(std::uint32_t keyCode) { return KeyChange(keyCode, false); }

bool SimKeyFilterDriver::KeyChange(std::uint32_t keyCode, bool down) {
  {
    std::scoped_lock lock(state_->mutex);
    if (!state_->Captures(keyCode)) return false;
    const std::uint16_t usage = static_cast<std::uint16_t>(keyCode & 0xFFFF);
    const EventBytes event{static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8),
                           static_cast<std::uint8_t>(keyCode >> 16), static_cast<std::uint8_t>(down ? 1 : 0)};
    if (state_->logEvents) {
      support::Log("key filter -> %s 0x%08x\n", down ? "down" : "up", static_cast<unsigned>(keyCode));
    }
    if (!state_->pendingReads.empty()) {
      std::shared_ptr<RequestRecord> read = state_->pendingReads.front();
      state_->pendingReads.pop_front();
      state_->CompleteRead(*read, event);
    } else if (state_->queuedEvents.size() < kMaxQueuedEvents) {
      state_->queuedEvents.push_back(event);
    }
  }
  state_->changed.notify_all();
  return true;
}

bool SimKeyFilterDriver::IsCaptured(std::uint32_t keyCode) const {
  std::scoped_lock lock(state_->mutex);
  return state_->Captures(keyCode);
}

std::vector<std::uint8_t> SimKeyFilterDriver::CaptureTable() const {
  std::scoped_lock lock(state_->mutex);
  return state_->captureTable;
}

std::vector<FilterRequest> SimKeyFilterDriver::Requests() const {
  std::scoped_lock lock(state_->mutex);
  return state_->requests;
}

std::vector<int> SimKeyFilterDriver::ReadHandles() const {
  std::scoped_lock lock(state_->mutex);
  return state_->readHandles;
}

int SimKeyFilterDriver::PendingReads() const {
  std::scoped_lock lock(state_->mutex);
  return static_cast<int>(state_->pendingReads.size());
}

int SimKeyFilterDriver::MaxPendingReads() const {
  std::scoped_lock lock(state_->mutex);
  return state_->maxPendingReads;
}

int SimKeyFilterDriver::OpenCalls() const {
  std::scoped_lock lock(state_->mutex);
  return state_->openCalls;
}

int SimKeyFilterDriver::OpenHandles() const {
  std::scoped_lock lock(state_->mutex);
  return state_->openHandles;
}

int SimKeyFilterDriver::QueuedEvents() const {
  std::scoped_lock lock(state_->mutex);
  return static_cast<int>(state_->queuedEvents.size());
}

bool SimKeyFilterDriver::WaitUntil(const std::function<bool(const SimKeyFilterDriver&)>& condition,
                                   std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition(*this)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

SimKeyFilterDriver& DemoKeyFilter() {
  static SimKeyFilterDriver driver(true);
  static const bool logging = (driver.SetLogEvents(true), true);
  (void)logging;
  return driver;
}

}  // namespace sim

namespace platform {
FilterDeviceSystem& DefaultFilterDeviceSystem() { return sim::DemoKeyFilter(); }
}  // namespace platform
