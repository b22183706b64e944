#pragma once
// A key filter driver that plays a script: each key-event read ends as the script's next step says
// (an event of 4 bytes, a short read, a failure, a request finished at once). Every other request
// completes. Once the script is used up, reads stay pending until aborted, and Drained() is true.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/filter_device.h"

namespace fuzz {

struct ReadStep {
  enum class Kind { kEvent, kShortRead, kEndedWithError, kCompletedAtOnce, kRefused };
  Kind kind = Kind::kEvent;
  std::uint8_t bytes[4] = {};
  std::uint32_t bytesReturned = 4;  // for kEvent (may claim more than fits) and kShortRead
  std::uint32_t error = 0;          // for kRefused and kEndedWithError
};

class ScriptedFilterSystem final : public platform::FilterDeviceSystem {
 public:
  // The first `emptyReadsFirst` reads find nothing queued: they stay pending until aborted, as
  // the read with which the channel's start drops queued events does.
  explicit ScriptedFilterSystem(std::vector<ReadStep> script, int emptyReadsFirst = 0);

  std::unique_ptr<platform::AbortEvent> CreateAbortEvent() override;
  std::unique_ptr<platform::FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                           std::uint32_t& error) override;

  // Waits until a read came after the last step (so every step has been handled); false on timeout.
  bool WaitUntilDrained(std::chrono::seconds limit);

  struct State {
    std::mutex mutex;
    std::condition_variable drainedChanged;
    std::vector<ReadStep> script;
    std::size_t next = 0;
    int emptyReadsLeft = 0;
    bool drained = false;
  };

 private:
  std::shared_ptr<State> state_;
};

}  // namespace fuzz
