#pragma once
// Saves the lighting files at most once per 100 ms each, the newest state winning, as the reports
// are paced: a change after a quiet moment is saved at once on the caller's thread (a click in
// the panel, a kbconfigctl command: the file is written when the call returns); changes that
// follow within the interval are saved together by the pacer's thread once it has passed. A
// client sending 60 changes a second costs ten saves, not sixty.
//
// All members may be called from any thread.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "support/clock.h"

namespace lighting {

class SavePacer {
 public:
  static constexpr std::chrono::milliseconds kInterval{100};
  enum File { kEffectsFile = 0, kSidesFile = 1 };

  explicit SavePacer(support::Clock& clock);
  // Makes the saves that wait, then ends its thread.
  ~SavePacer();
  SavePacer(const SavePacer&) = delete;
  SavePacer& operator=(const SavePacer&) = delete;

  // Saves `file` through `save` (which writes the store's state as it is when it runs). False
  // only when a save made at once failed; a later one that fails is logged by the store.
  bool Save(File file, std::function<bool()> save);
  // Returns once no save waits.
  void WaitUntilIdle();

  struct Totals {
    std::uint64_t requested = 0;
    std::uint64_t written = 0;  // saves made (at once or later)
  };
  Totals Counts() const;

 private:
  struct Slot {
    std::optional<support::Clock::TimePoint> lastSave{};
    std::function<bool()> waiting;  // a save due once the interval has passed
  };

  void Run();

  support::Clock& clock_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::array<Slot, 2> slots_;
  int saving_ = 0;
  bool stopping_ = false;
  Totals totals_;
  std::thread thread_;
};

}  // namespace lighting
