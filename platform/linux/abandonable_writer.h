#pragma once
// Writes to a descriptor whose write() may block for as long as its driver wants: hidraw's write is
// synchronous and always polls writable, so a keyboard that does not answer holds it for the USB
// time-out. A thread of the writer's own does the write() and the caller waits only up to its
// limit. A write still blocked at the limit is abandoned: it ends on its own later, with its own
// copy of the bytes and its own duplicate of the descriptor, so the caller's buffer and descriptor
// are free at once. Writes go out one at a time and in order: while an abandoned write still
// blocks, the next one waits for it within its own limit and is not sent when that passes.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>

namespace platform::linux_backend {

class AbandonableWriter {
 public:
  struct Result {
    enum class Kind {
      kWritten,               // write() returned within the limit; `bytesWritten` bytes went out
      kFailed,                // write() failed within the limit with `error`
      kTimedOut,              // still blocked at the limit: abandoned, it ends on its own
      kPreviousStillBlocked,  // an abandoned write still blocked at the limit: nothing was sent
    };
    Kind kind = Kind::kFailed;
    std::size_t bytesWritten = 0;
    int error = 0;
  };

  // Null (and `error` set) when the descriptor cannot be duplicated or the thread not started.
  static std::unique_ptr<AbandonableWriter> Create(int fd, int& error);
  // Never waits for a blocked write: its thread is left to end when the write returns.
  ~AbandonableWriter();
  AbandonableWriter(const AbandonableWriter&) = delete;
  AbandonableWriter& operator=(const AbandonableWriter&) = delete;

  Result Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds limit);

  struct Shared;

 private:
  explicit AbandonableWriter(std::shared_ptr<Shared> shared);
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace platform::linux_backend
