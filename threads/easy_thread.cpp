#include "threads/easy_thread.h"

#include <utility>

#include "threads/worker_frame.h"

namespace threads {

EasyThread::EasyThread(std::unique_ptr<platform::DeadlineWait> deadlineWait)
    : control_("EasyThread::Start", std::move(deadlineWait)) {}

EasyThread::~EasyThread() { control_.Stop(); }

void EasyThread::SetStartCallback(std::unique_ptr<ICallback<IEasyThread>> callback) {
  callbacks_.SetStart(std::move(callback));
}

void EasyThread::SetRunCallback(std::unique_ptr<ICallback<IEasyThread>> callback) {
  callbacks_.SetRun(std::move(callback));
  control_.Notify();  // an idle worker without a run callback picks up the new one
}

void EasyThread::SetEndCallback(std::unique_ptr<ICallback<IEasyThread>> callback) {
  callbacks_.SetEnd(std::move(callback));
}

int EasyThread::Start(void* owner) {
  owner_.store(owner);
  const auto result = control_.Start([this] {
    RunWorkerFrame<IEasyThread>(*this, owner_, callbacks_, control_, [] { return false; });
  });
  return result == WorkerControl::StartResult::kFailed ? 1 : 0;
}

void EasyThread::Stop() { control_.Stop(); }

bool EasyThread::IsRunning() const { return control_.IsRunning(); }

std::uint32_t EasyThread::Sleep(std::uint32_t milliseconds) {
  if (milliseconds == kSleepInfinite) return control_.SleepUntilStopped();
  return control_.Sleep(std::chrono::milliseconds(milliseconds));
}

std::uint32_t EasyThread::SleepUntil(const support::Clock& clock, support::Clock::TimePoint deadline) {
  return control_.SleepUntil(clock.SteadyTimeOf(deadline));
}

}  // namespace threads
