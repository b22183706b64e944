#include "hostdrv/key_filter_channel.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <chrono>
#include <string>
#include <system_error>
#include <vector>

#include "platform/hid.h"
#include "support/logger.h"

namespace HidUsbFilter {

namespace {

// Retry delays of a device that refuses or fails key-event reads: doubled after each failure.
constexpr auto kFirstRetryDelay = std::chrono::milliseconds(10);
constexpr auto kMaxRetryDelay = std::chrono::milliseconds(1000);
constexpr std::size_t kClearTableBytes = 256;
// More than any driver queues; a driver that never runs out of events cannot hold a start up.
constexpr int kMaxDroppedEvents = 1024;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

std::string RequestFailure(std::uint32_t code, const platform::SubmitOutcome& outcome) {
  if (outcome.kind == platform::SubmitOutcome::Kind::kCompletedAtOnce) {
    return "request " + Hex(code) + " completed at once instead of going pending";
  }
  return "request " + Hex(code) + ": error " + std::to_string(outcome.error);
}

}  // namespace

KeyFilterChannel::KeyFilterChannel(platform::FilterDeviceSystem& system)
    : system_(system),
      readEvent_(system.CreateAbortEvent()),
      writeEvent_(system.CreateAbortEvent()),
      requestEvent_(system.CreateAbortEvent()),
      monitorEvent_(system.CreateAbortEvent()) {}

KeyFilterChannel::~KeyFilterChannel() {
  StopMonitoring();
  const std::vector<std::uint8_t> empty(kClearTableBytes, 0);
  Request(kRequestCaptureTable, empty.data(), empty.size(), nullptr, 0);
  {
    std::scoped_lock lock(listMutex_);
    listeners_.clear();
  }
  Close();
}

KeyFilterChannel::SharedDevice KeyFilterChannel::OpenHandle(std::uint32_t access, std::uint32_t& error) {
  return SharedDevice(system_.OpenFilterDevice(devicePath_, access, error));
}

bool KeyFilterChannel::Open() {
  Close();
  accessWord_ = kChannelAccessWord;
  std::uint32_t readError = 0;
  std::uint32_t writeError = 0;
  std::uint32_t requestError = 0;
  SharedDevice read = OpenHandle(platform::kGenericRead, readError);
  SharedDevice write = OpenHandle(accessWord_ & platform::kGenericWrite, writeError);
  SharedDevice request = OpenHandle(accessWord_ & (platform::kGenericRead | platform::kGenericWrite), requestError);
  if (!request) {
    support::LogFailure("KeyFilterChannel::Open", "\\\\.\\vhidflt: error " + std::to_string(requestError));
  }
  const bool opened = request != nullptr;
  {
    std::scoped_lock lock(handleMutex_);
    readHandle_ = std::move(read);
    writeHandle_ = std::move(write);
    requestHandle_ = std::move(request);
  }
  WakeMonitor();  // a monitor thread idling without a device, or backing off, reads at once
  return opened;
}

void KeyFilterChannel::Close() {
  SharedDevice read;
  SharedDevice write;
  SharedDevice request;
  {
    std::scoped_lock lock(handleMutex_);
    read = std::move(readHandle_);
    write = std::move(writeHandle_);
    request = std::move(requestHandle_);
    // Bumped before the events are set: a monitor thread that resets its event after this point
    // still sees the change when it checks the generation.
    handleGeneration_.fetch_add(1);
  }
  if (read) readEvent_->Set();
  if (write) writeEvent_->Set();
  if (request) {
    requestEvent_->Set();
    monitorEvent_->Set();
  }
  // The handles close here, or once a monitor read still outstanding on them has ended.
}

bool KeyFilterChannel::IsOpen() const {
  std::scoped_lock lock(handleMutex_);
  return requestHandle_ != nullptr;
}

std::pair<KeyFilterChannel::SharedDevice, std::uint64_t> KeyFilterChannel::RequestDevice() const {
  std::scoped_lock lock(handleMutex_);
  return {requestHandle_, handleGeneration_.load()};
}

std::int32_t KeyFilterChannel::Request(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                                       std::size_t outputSize) {
  const SharedDevice device = RequestDevice().first;
  if (!device) return 0;
  platform::SubmitOutcome outcome = device->Submit(code, input, inputSize, output, outputSize);
  if (outcome.kind != platform::SubmitOutcome::Kind::kPending) {
    support::LogFailure("KeyFilterChannel::Request", RequestFailure(code, outcome));
    return 0;
  }
  requestEvent_->Reset();
  const platform::PendingRequest::End end = outcome.pending->WaitOrAbort(*requestEvent_);
  if (end.kind == platform::PendingRequest::End::Kind::kFailed) {
    support::LogFailure("KeyFilterChannel::Request", "request " + Hex(code) + " ended with error " +
                                                          std::to_string(end.error));
  }
  return end.kind == platform::PendingRequest::End::Kind::kCompleted ? 1 : 0;
}

std::int32_t KeyFilterChannel::StartMonitoring() {
  StopMonitoring();
  Request(kRequestPrepare, nullptr, 0, nullptr, 0);
  Request(kRequestArm, nullptr, 0, nullptr, 0);
  DropQueuedEvents();
  const std::uint64_t token = ++lastToken_;
  runToken_.store(token);
  try {
    monitorThread_ = std::thread(&KeyFilterChannel::MonitorLoop, this, token);
  } catch (const std::system_error& error) {
    runToken_.store(0);
    support::LogFailure("KeyFilterChannel::StartMonitoring", error.what());
    return 0;
  }
  return 1;
}

void KeyFilterChannel::StopMonitoring() {
  if (!monitorThread_.joinable()) return;
  {
    std::scoped_lock lock(idleMutex_);
    runToken_.store(0);
  }
  idleWake_.notify_all();
  // The token is cleared before the events are set, so a thread that resets its event after the
  // set still sees the stop when it checks the token right after its reset.
  {
    std::scoped_lock lock(handleMutex_);
    if (readHandle_) readEvent_->Set();
    if (writeHandle_) writeEvent_->Set();
    if (requestHandle_) requestEvent_->Set();
  }
  monitorEvent_->Set();
  monitorThread_.join();
}

bool KeyFilterChannel::IsMonitoring() const { return monitorThread_.joinable(); }

std::int32_t KeyFilterChannel::EndCaptureEverything() {
  StopMonitoring();
  const std::int32_t ended = Request(kRequestPrepare, nullptr, 0, nullptr, 0);
  DropQueuedEvents();
  return ended;
}

void KeyFilterChannel::DropQueuedEvents() {
  const SharedDevice device = RequestDevice().first;
  if (!device) return;
  int dropped = 0;
  for (int attempt = 0; attempt < kMaxDroppedEvents; ++attempt) {
    std::array<std::uint8_t, 4> buffer{};
    platform::SubmitOutcome outcome = device->Submit(kRequestReadKeyEvent, nullptr, 0, buffer.data(), buffer.size());
    if (outcome.kind == platform::SubmitOutcome::Kind::kCompletedAtOnce) {
      ++dropped;
      continue;
    }
    if (outcome.kind != platform::SubmitOutcome::Kind::kPending) break;
    // A completion wins over an abort that is already set: only an event already there is taken.
    requestEvent_->Set();
    const platform::PendingRequest::End end = outcome.pending->WaitOrAbort(*requestEvent_);
    if (end.kind != platform::PendingRequest::End::Kind::kCompleted || end.bytesReturned < buffer.size()) break;
    ++dropped;
  }
  requestEvent_->Reset();
  if (dropped > 0) support::Log("KeyFilterChannel: dropped %d key events typed while nobody listened\n", dropped);
}

std::int32_t KeyFilterChannel::SetCaptureTable(std::span<const KeyCode> keys) {
  const CaptureTable table = BuildCaptureTable(keys);
  return Request(kRequestCaptureTable, table.data(), table.size(), nullptr, 0);
}

std::size_t KeyFilterChannel::ListenerCount() const {
  std::scoped_lock lock(listMutex_);
  return listeners_.size();
}

bool KeyFilterChannel::HasListeners() const {
  std::scoped_lock lock(listMutex_);
  return !listeners_.empty();
}

void KeyFilterChannel::MonitorLoop(std::uint64_t token) {
  std::uint32_t lastLoggedError = 0;
  std::chrono::milliseconds retryDelay = kFirstRetryDelay;
  while (runToken_.load() == token) {
    // Taken before looking: a wake-up that comes while this pass looks is not slept through.
    const std::uint64_t wakeSeen = WakeCount();
    switch (ReadOnce(token, lastLoggedError)) {
      case ReadOutcome::kDispatched:
      case ReadOutcome::kAborted:
        retryDelay = kFirstRetryDelay;
        break;
      case ReadOutcome::kNothingToDo:
        retryDelay = kFirstRetryDelay;
        IdleWait(token, wakeSeen, std::nullopt);
        break;
      case ReadOutcome::kFailed:
        IdleWait(token, wakeSeen, retryDelay);
        retryDelay = std::min<std::chrono::milliseconds>(retryDelay * 2, kMaxRetryDelay);
        break;
    }
  }
}

KeyFilterChannel::ReadOutcome KeyFilterChannel::ReadOnce(std::uint64_t token, std::uint32_t& lastLoggedError) {
  if (!HasListeners()) return ReadOutcome::kNothingToDo;
  const auto [device, generation] = RequestDevice();
  if (!device) return ReadOutcome::kNothingToDo;

  std::array<std::uint8_t, 4> buffer{};
  platform::SubmitOutcome outcome = device->Submit(kRequestReadKeyEvent, nullptr, 0, buffer.data(), buffer.size());
  if (outcome.kind != platform::SubmitOutcome::Kind::kPending) {
    const std::uint32_t error = outcome.kind == platform::SubmitOutcome::Kind::kFailed ? outcome.error : ~0u;
    if (error != lastLoggedError) {
      support::LogFailure("KeyFilterChannel monitor", RequestFailure(kRequestReadKeyEvent, outcome));
      lastLoggedError = error;
    }
    return ReadOutcome::kFailed;
  }

  monitorEvent_->Reset();
  // A stop or close that came before the reset is seen here; one that comes after it sets the
  // event, which the wait below then sees. Either way the wait still prefers a completion: a key
  // event the driver has already handed over is dispatched, not thrown away with the read (a
  // lost release would leave its key down).
  if (runToken_.load() != token || handleGeneration_.load() != generation) monitorEvent_->Set();
  const platform::PendingRequest::End end = outcome.pending->WaitOrAbort(*monitorEvent_);
  if (end.kind == platform::PendingRequest::End::Kind::kAborted) return ReadOutcome::kAborted;
  if (end.kind != platform::PendingRequest::End::Kind::kCompleted) return ReadOutcome::kFailed;
  lastLoggedError = 0;
  // A completion without a whole event carries no key.
  if (end.bytesReturned < buffer.size()) return ReadOutcome::kFailed;
  Dispatch(KeyEvent::FromBytes(buffer));
  return ReadOutcome::kDispatched;
}

void KeyFilterChannel::Dispatch(const KeyEvent& event) {
  std::scoped_lock lock(listMutex_);
  for (const auto& listener : listeners_) {
    if (listener->OnKeyEvent(event.page, event.usage, event.Down()) != 0) break;
  }
}

void KeyFilterChannel::WakeMonitor() {
  {
    std::scoped_lock lock(idleMutex_);
    ++wakeCount_;
  }
  idleWake_.notify_all();
}

std::uint64_t KeyFilterChannel::WakeCount() {
  std::scoped_lock lock(idleMutex_);
  return wakeCount_;
}

void KeyFilterChannel::IdleWait(std::uint64_t token, std::uint64_t wakeSeen,
                                std::optional<std::chrono::milliseconds> limit) {
  std::unique_lock lock(idleMutex_);
  const auto wakeUp = [&] { return runToken_.load() != token || wakeCount_ != wakeSeen; };
  if (limit) {
    idleWake_.wait_for(lock, *limit, wakeUp);
  } else {
    idleWake_.wait(lock, wakeUp);
  }
}

}  // namespace HidUsbFilter
