#include "lighting/save_pacer.h"

namespace lighting {

SavePacer::SavePacer(support::Clock& clock) : clock_(clock) {}

SavePacer::~SavePacer() {
  {
    std::scoped_lock lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool SavePacer::Save(File file, std::function<bool()> save) {
  {
    std::scoped_lock lock(mutex_);
    ++totals_.requested;
    Slot& slot = slots_[file];
    const bool recent = slot.lastSave && clock_.Now() - *slot.lastSave < kInterval;
    if (slot.waiting || recent) {
      slot.waiting = std::move(save);  // the newest state is what the later save writes
      if (!thread_.joinable()) thread_ = std::thread(&SavePacer::Run, this);
      wake_.notify_one();
      return true;
    }
    slot.lastSave = clock_.Now();
    ++saving_;
  }
  const bool saved = save();
  {
    std::scoped_lock lock(mutex_);
    --saving_;
    ++totals_.written;
  }
  idle_.notify_all();
  return saved;
}

void SavePacer::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // The waiting save that falls due first.
    Slot* due = nullptr;
    for (Slot& slot : slots_) {
      if (slot.waiting && (!due || slot.lastSave < due->lastSave)) due = &slot;
    }
    if (!due) {
      if (stopping_) return;
      wake_.wait(lock);
      continue;
    }
    const support::Clock::TimePoint at = due->lastSave ? *due->lastSave + kInterval : clock_.Now();
    if (!stopping_ && clock_.Now() < at) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(at - clock_.Now());
      lock.unlock();
      clock_.SleepFor(left);
      lock.lock();
      continue;  // another save may be due first now
    }
    std::function<bool()> save = std::move(due->waiting);
    due->waiting = nullptr;
    due->lastSave = clock_.Now();
    ++saving_;
    lock.unlock();
    save();
    lock.lock();
    --saving_;
    ++totals_.written;
    idle_.notify_all();
  }
}

void SavePacer::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] {
    if (saving_ > 0) return false;
    for (const Slot& slot : slots_) {
      if (slot.waiting) return false;
    }
    return true;
  });
}

SavePacer::Totals SavePacer::Counts() const {
  std::scoped_lock lock(mutex_);
  return totals_;
}

}  // namespace lighting
