#include "lighting/report_pacer.h"

namespace lighting {

ReportPacer::ReportPacer(device::KeyboardCommands& commands, support::Clock& clock)
    : commands_(commands), clock_(clock) {}

ReportPacer::~ReportPacer() {
  {
    std::scoped_lock lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ReportPacer::SendEffect(int index) { Enqueue({Kind::kEffect, index}); }

void ReportPacer::SendSideLight(int index) { Enqueue({Kind::kSideLight, index}); }

void ReportPacer::SendFactoryRestore() { Enqueue({Kind::kFactoryRestore, 0}); }

void ReportPacer::Enqueue(Request request) {
  {
    std::scoped_lock lock(mutex_);
    ++totals_.requested;
    bool merged = false;
    if (request.kind != Kind::kFactoryRestore) {
      // The last waiting request of the same kind, unless a factory restore comes after it.
      for (auto waiting = queue_.rbegin(); waiting != queue_.rend(); ++waiting) {
        if (waiting->kind == Kind::kFactoryRestore) break;
        if (waiting->kind == request.kind) {
          waiting->index = request.index;
          ++totals_.replaced;
          merged = true;
          break;
        }
      }
    }
    if (!merged) queue_.push_back(request);
    if (!thread_.joinable()) thread_ = std::thread(&ReportPacer::Run, this);
  }
  wake_.notify_one();
}

void ReportPacer::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything has gone out
    if (queue_.front().kind != Kind::kFactoryRestore) {
      // Wait for the pacing first and take the request only then: whatever replaced it meanwhile
      // is what goes out.
      lock.unlock();
      const std::chrono::milliseconds delay = commands_.PacingDelay();
      if (delay > std::chrono::milliseconds(0)) clock_.SleepFor(delay);
      lock.lock();
    }
    const Request request = queue_.front();
    queue_.pop_front();
    sending_ = true;
    lock.unlock();
    Send(request);
    lock.lock();
    sending_ = false;
    ++totals_.sent;
    if (queue_.empty()) idle_.notify_all();
  }
}

void ReportPacer::Send(const Request& request) {
  switch (request.kind) {
    case Kind::kEffect:
      commands_.SendEffect(request.index);
      break;
    case Kind::kSideLight:
      commands_.SendSideLight(request.index);
      break;
    case Kind::kFactoryRestore:
      commands_.SendFactoryRestore();
      break;
  }
}

void ReportPacer::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && !sending_; });
}

ReportPacer::Totals ReportPacer::Counts() const {
  std::scoped_lock lock(mutex_);
  return totals_;
}

}  // namespace lighting
