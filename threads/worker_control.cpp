#include "threads/worker_control.h"

#include <system_error>
#include <utility>

#include "support/logger.h"

namespace threads {

WorkerControl::WorkerControl(std::string name, std::unique_ptr<platform::DeadlineWait> deadlineWait)
    : name_(std::move(name)), deadlineWait_(std::move(deadlineWait)) {}

WorkerControl::~WorkerControl() { Stop(); }

WorkerControl::StartResult WorkerControl::Start(std::function<void()> body) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (running_ && threadId_ == std::this_thread::get_id()) return StartResult::kAlreadyRunning;
    if (running_ && !stopRequested_ && workerId_ != std::thread::id()) return StartResult::kAlreadyRunning;
    if (running_) {
      // The worker is on its way out: let it finish, then start afresh.
      const std::uint64_t generation = generation_;
      changed_.wait(lock, [&] { return !running_ || generation_ != generation; });
      continue;
    }
    if (!thread_.joinable()) break;
    std::thread finished = std::move(thread_);
    lock.unlock();
    finished.join();
    lock.lock();
  }

  stopRequested_ = false;
  notified_ = false;
  if (deadlineWait_) deadlineWait_->Reset();  // no worker waits: the last one has been joined
  const std::uint64_t generation = ++generation_;
  try {
    thread_ = std::thread([this, generation, body = std::move(body)] {
      body();
      FinishWorker(generation);
    });
  } catch (const std::system_error& error) {
    support::LogFailure(name_ + " thread creation", error.what());
    return StartResult::kFailed;
  }
  // Still under the lock: the worker cannot read its id before it is stored.
  running_ = true;
  threadId_ = thread_.get_id();
  workerId_ = threadId_;
  return StartResult::kStarted;
}

void WorkerControl::FinishWorker(std::uint64_t generation) {
  {
    std::scoped_lock lock(mutex_);
    if (generation_ != generation) return;
    running_ = false;
    workerId_ = std::thread::id();
  }
  changed_.notify_all();
}

void WorkerControl::Stop() {
  std::unique_lock lock(mutex_);
  workerId_ = std::thread::id();
  stopRequested_ = true;
  if (deadlineWait_) deadlineWait_->Interrupt();
  changed_.notify_all();
  if (threadId_ == std::this_thread::get_id()) return;  // a worker cannot wait for itself

  const std::uint64_t generation = generation_;
  changed_.wait(lock, [&] { return !running_ || generation_ != generation; });
  if (generation_ != generation || !thread_.joinable()) return;  // joined by someone else
  std::thread finished = std::move(thread_);
  threadId_ = std::thread::id();
  lock.unlock();
  finished.join();
}

void WorkerControl::ClearWorkerId() {
  std::scoped_lock lock(mutex_);
  workerId_ = std::thread::id();
}

bool WorkerControl::IsStopRequested() const {
  std::scoped_lock lock(mutex_);
  return workerId_ != std::this_thread::get_id();
}

std::uint32_t WorkerControl::Sleep(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  const bool stopped = changed_.wait_for(lock, duration, [&] { return stopRequested_; });
  return stopped ? kSleepStopRequested : kSleepTimedOut;
}

std::uint32_t WorkerControl::SleepUntilStopped() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopRequested_; });
  return kSleepStopRequested;
}

std::uint32_t WorkerControl::SleepUntil(std::chrono::steady_clock::time_point deadline) {
  if (deadlineWait_) {
    const auto result = deadlineWait_->WaitUntil(deadline);
    return result == platform::DeadlineWait::Result::kInterrupted ? kSleepStopRequested : kSleepTimedOut;
  }
  std::unique_lock lock(mutex_);
  const bool stopped = changed_.wait_until(lock, deadline, [&] { return stopRequested_; });
  return stopped ? kSleepStopRequested : kSleepTimedOut;
}

std::unique_ptr<platform::FineTimerHold> WorkerControl::HoldFineTimers() {
  return deadlineWait_ ? deadlineWait_->HoldFineTimers() : nullptr;
}

void WorkerControl::Notify() {
  {
    std::scoped_lock lock(mutex_);
    notified_ = true;
  }
  changed_.notify_all();
}

bool WorkerControl::WaitForWork() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return notified_ || stopRequested_ || workerId_ != std::this_thread::get_id(); });
  notified_ = false;
  return !stopRequested_ && workerId_ == std::this_thread::get_id();
}

bool WorkerControl::IsRunning() const {
  std::scoped_lock lock(mutex_);
  return running_;
}

}  // namespace threads
