#include "platform/sim/sim_key_filter.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

#include "platform/portable/key_read_queue.h"
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

}  // namespace

struct SimKeyFilterDriver::State {
  std::shared_ptr<platform::portable::KeyReadQueue> reads = std::make_shared<platform::portable::KeyReadQueue>(
      platform::portable::KeyReadQueue::Errors{kErrorInvalidHandle, kErrorOperationAborted}, kMaxQueuedEvents);
  // Everything below is guarded by reads->Mutex().
  bool installed = true;
  bool completeAtOnce = false;
  bool logEvents = false;
  bool holdReadSubmits = false;
  int heldSubmits = 0;
  std::vector<std::uint8_t> captureTable;
  bool recordingAllKeys = false;
  // Keys down now, and whether each was captured when it went down.
  std::map<std::uint32_t, bool> held;
  std::vector<FilterRequest> requests;
  std::vector<int> readHandles;
  int maxPendingReads = 0;
  int openCalls = 0;
  int openHandles = 0;
  int nextHandleSerial = 1;

  std::unique_lock<std::mutex> Lock() const { return std::unique_lock(reads->Mutex()); }

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
};

namespace {

using State = SimKeyFilterDriver::State;

class SimFilterDevice final : public platform::FilterDevice {
 public:
  SimFilterDevice(std::shared_ptr<State> state, int serial, std::uint32_t access)
      : state_(std::move(state)), serial_(serial), access_(access) {}

  ~SimFilterDevice() override {
    {
      auto lock = state_->Lock();
      --state_->openHandles;
      state_->reads->CancelReadsOfLocked(serial_);
    }
    state_->reads->Changed().notify_all();
  }

  platform::SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                                 std::size_t outputSize) override {
    auto lock = state_->Lock();
    const std::uint32_t required = platform::portable::AccessRequiredBy(code);
    if ((access_ & required) != required) return platform::portable::FailedSubmit(kErrorAccessDenied);

    if (code == kFilterCodeReadKey) {
      if (output == nullptr || outputSize < 4) return platform::portable::FailedSubmit(kErrorInsufficientBuffer);
      state_->readHandles.push_back(serial_);
      auto read = state_->reads->SubmitReadLocked(serial_, output, state_->completeAtOnce);
      if (!read.waiting) return std::move(read.outcome);
      state_->maxPendingReads =
          std::max(state_->maxPendingReads, static_cast<int>(state_->reads->WaitingReadsLocked()));
      if (state_->holdReadSubmits) {
        ++state_->heldSubmits;
        state_->reads->Changed().wait(lock, [&] { return !state_->holdReadSubmits; });
        --state_->heldSubmits;
      }
      return std::move(read.outcome);
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
          return platform::portable::FailedSubmit(kErrorInvalidParameter);
        }
        state_->captureTable.assign(bytes, bytes + inputSize);
        break;
      default:
        return platform::portable::FailedSubmit(kErrorInvalidFunction);
    }
    FilterRequest seen{code, serial_, {}};
    if (bytes != nullptr) seen.input.assign(bytes, bytes + inputSize);
    state_->requests.push_back(std::move(seen));
    return state_->reads->CompletedLocked(state_->completeAtOnce);
  }

 private:
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
  return state_->reads->CreateAbortEvent();
}

std::unique_ptr<platform::FilterDevice> SimKeyFilterDriver::OpenFilterDevice(const std::wstring& path,
                                                                             std::uint32_t access,
                                                                             std::uint32_t& error) {
  auto lock = state_->Lock();
  ++state_->openCalls;
  if (!state_->installed || path != platform::kFilterDevicePath) {
    error = kErrorFileNotFound;
    return nullptr;
  }
  ++state_->openHandles;
  return std::make_unique<SimFilterDevice>(state_, state_->nextHandleSerial++, access);
}

void SimKeyFilterDriver::SetInstalled(bool installed) {
  auto lock = state_->Lock();
  state_->installed = installed;
}

void SimKeyFilterDriver::SetCompleteAtOnce(bool atOnce) {
  auto lock = state_->Lock();
  state_->completeAtOnce = atOnce;
}

void SimKeyFilterDriver::SetLogEvents(bool log) {
  auto lock = state_->Lock();
  state_->logEvents = log;
}

void SimKeyFilterDriver::HoldReadSubmits(bool hold) {
  {
    auto lock = state_->Lock();
    state_->holdReadSubmits = hold;
  }
  state_->reads->Changed().notify_all();
}

int SimKeyFilterDriver::HeldSubmits() const {
  auto lock = state_->Lock();
  return state_->heldSubmits;
}

int SimKeyFilterDriver::AbortEventSets() const {
  auto lock = state_->Lock();
  return state_->reads->AbortEventSetsLocked();
}

bool SimKeyFilterDriver::PressKey(std::uint32_t keyCode) { return KeyChange(keyCode, true); }
bool SimKeyFilterDriver::ReleaseKey(std::uint32_t keyCode) { return KeyChange(keyCode, false); }

bool SimKeyFilterDriver::KeyChange(std::uint32_t keyCode, bool down) {
  {
    auto lock = state_->Lock();
    // A key keeps the route of its press: its release goes where the press went, even if the
    // capture table changed meanwhile (as the real filters do).
    bool captured = state_->Captures(keyCode);
    if (down) {
      state_->held[keyCode] = captured;
    } else if (const auto found = state_->held.find(keyCode); found != state_->held.end()) {
      captured = found->second;
      state_->held.erase(found);
    }
    // Every key is logged, so the demo shows the filter seeing keys it lets through as well.
    if (state_->logEvents) {
      support::Log("key filter -> %s 0x%08x %s\n", down ? "down" : "up", static_cast<unsigned>(keyCode),
                   captured ? "captured" : "passed on");
    }
    if (!captured) return false;
    const std::uint16_t usage = static_cast<std::uint16_t>(keyCode & 0xFFFF);
    const platform::portable::KeyEventBytes event{
        static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8),
        static_cast<std::uint8_t>(keyCode >> 16), static_cast<std::uint8_t>(down ? 1 : 0)};
    // A full queue drops the event, as the driver's ring buffer does.
    state_->reads->DeliverLocked(event);
  }
  state_->reads->Changed().notify_all();
  return true;
}

bool SimKeyFilterDriver::IsCaptured(std::uint32_t keyCode) const {
  auto lock = state_->Lock();
  return state_->Captures(keyCode);
}

std::vector<std::uint8_t> SimKeyFilterDriver::CaptureTable() const {
  auto lock = state_->Lock();
  return state_->captureTable;
}

std::vector<FilterRequest> SimKeyFilterDriver::Requests() const {
  auto lock = state_->Lock();
  return state_->requests;
}

std::vector<int> SimKeyFilterDriver::ReadHandles() const {
  auto lock = state_->Lock();
  return state_->readHandles;
}

int SimKeyFilterDriver::PendingReads() const {
  auto lock = state_->Lock();
  return static_cast<int>(state_->reads->WaitingReadsLocked());
}

int SimKeyFilterDriver::MaxPendingReads() const {
  auto lock = state_->Lock();
  return state_->maxPendingReads;
}

int SimKeyFilterDriver::OpenCalls() const {
  auto lock = state_->Lock();
  return state_->openCalls;
}

int SimKeyFilterDriver::OpenHandles() const {
  auto lock = state_->Lock();
  return state_->openHandles;
}

int SimKeyFilterDriver::QueuedEvents() const {
  auto lock = state_->Lock();
  return static_cast<int>(state_->reads->QueuedEventsLocked());
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

InputPathSelector& DefaultInputPathSelector() {
  static SinglePathSelector selector;
  return selector;
}
}  // namespace platform
