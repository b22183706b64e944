#include "threads/runable_thread.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "support/logger.h"
#include "threads/worker_frame.h"

namespace threads {

RunableThread<0>::RunableThread(support::Clock& clock) : clock_(clock) {}

RunableThread<0>::~RunableThread() {
  {
    std::scoped_lock lock(queueMutex_);
    timerStopRequested_ = true;
  }
  timerWake_.notify_all();
  if (timer_.joinable()) timer_.join();
  worker_.Stop();
}

void RunableThread<0>::SetStartCallback(std::unique_ptr<ICallback> callback) {
  callbacks_.SetStart(std::move(callback));
}

void RunableThread<0>::SetRunCallback(std::unique_ptr<ICallback> callback) {
  callbacks_.SetRun(std::move(callback));
  worker_.Notify();
}

void RunableThread<0>::SetEndCallback(std::unique_ptr<ICallback> callback) { callbacks_.SetEnd(std::move(callback)); }

int RunableThread<0>::Start(void* owner) {
  owner_.store(owner);
  const bool timerRuns = StartTimer();
  const auto workerResult = worker_.Start([this] {
    RunWorkerFrame<IRunableThread>(*this, owner_, callbacks_, worker_, [this] { return RunOneReadyJob(); });
  });
  return timerRuns && workerResult != WorkerControl::StartResult::kFailed ? 0 : 1;
}

bool RunableThread<0>::StartTimer() {
  std::scoped_lock lock(queueMutex_);
  if (timer_.joinable()) return true;  // the timer runs until destruction
  try {
    timer_ = std::thread([this] { RunTimer(); });
  } catch (const std::system_error& error) {
    support::LogFailure("RunableThread::Start timer thread creation", error.what());
    return false;
  }
  return true;
}

int RunableThread<0>::Post(std::unique_ptr<BaseRunable> job, bool atFront) {
  if (!job) return 0;
  {
    std::scoped_lock lock(queueMutex_);
    TimedJob entry{std::move(job), std::nullopt};
    if (atFront) {
      timedJobs_.push_front(std::move(entry));
    } else {
      timedJobs_.push_back(std::move(entry));
    }
    timerWakeRequested_ = true;
  }
  timerWake_.notify_all();
  return 0;
}

void RunableThread<0>::WakeTimer() {
  {
    std::scoped_lock lock(queueMutex_);
    timerWakeRequested_ = true;
  }
  timerWake_.notify_all();
}

std::size_t RunableThread<0>::TimedJobCount() const {
  std::scoped_lock lock(queueMutex_);
  return timedJobs_.size();
}

std::size_t RunableThread<0>::ReadyJobCount() const {
  std::scoped_lock lock(queueMutex_);
  return readyJobs_.size();
}

std::uint64_t RunableThread<0>::TimerWalks() const {
  std::scoped_lock lock(queueMutex_);
  return timerWalks_;
}

std::uint32_t RunableThread<0>::Sleep(std::uint32_t milliseconds) {
  if (milliseconds == kSleepInfinite) return worker_.SleepUntilStopped();
  return worker_.Sleep(std::chrono::milliseconds(milliseconds));
}

void RunableThread<0>::RunTimer() {
  std::unique_lock lock(queueMutex_);
  while (!timerStopRequested_) {
    timerWakeRequested_ = false;
    const auto nextRelease = ReleaseDueJobs(clock_.Now());
    ++timerWalks_;
    const auto wakeUp = [this] { return timerStopRequested_ || timerWakeRequested_; };
    if (!nextRelease) {
      timerWake_.wait(lock, wakeUp);
      continue;
    }
    // The injected clock says how long to wait; the wait itself runs on the real clock.
    const auto remaining = *nextRelease - clock_.Now();
    timerWake_.wait_until(lock, std::chrono::steady_clock::now() + remaining, wakeUp);
  }
}

std::optional<support::Clock::TimePoint> RunableThread<0>::ReleaseDueJobs(support::Clock::TimePoint now) {
  std::optional<support::Clock::TimePoint> earliest;
  bool released = false;
  for (auto entry = timedJobs_.begin(); entry != timedJobs_.end();) {
    BaseRunable& job = *entry->job;
    const std::chrono::milliseconds interval(job.Interval());
    if (!entry->nextRelease) entry->nextRelease = now + interval;
    if (now >= *entry->nextRelease) {
      readyJobs_.push_back(job.Clone());
      released = true;
      if (job.ConsumeRelease()) {
        entry = timedJobs_.erase(entry);
        continue;
      }
      // At least 1 ms apart, so a job with interval 0 cannot flood the worker.
      entry->nextRelease = now + std::max(interval, std::chrono::milliseconds(1));
    }
    if (!earliest || *entry->nextRelease < *earliest) earliest = entry->nextRelease;
    if (job.HoldBack()) break;
    ++entry;
  }
  if (released) worker_.Notify();
  return earliest;
}

bool RunableThread<0>::RunOneReadyJob() {
  std::unique_ptr<BaseRunable> job;
  {
    std::scoped_lock lock(queueMutex_);
    if (readyJobs_.empty()) return false;
    job = std::move(readyJobs_.front());
    readyJobs_.pop_front();
  }
  if (job->IsValid()) job->Run(job->FirstValue(), job->SecondValue(), job->Buffer());
  return true;
}

}  // namespace threads
