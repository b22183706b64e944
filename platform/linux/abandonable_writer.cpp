#include "platform/linux/abandonable_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "support/logger.h"

namespace platform::linux_backend {

struct AbandonableWriter::Shared {
  explicit Shared(int duplicate) : fd(duplicate) {}
  ~Shared() {
    if (::close(fd) != 0) support::LogFailure("close writer descriptor", std::strerror(errno));
  }

  const int fd;
  std::mutex mutex;  // guards the rest
  std::condition_variable changed;
  std::optional<std::vector<std::uint8_t>> job;
  std::uint64_t jobId = 0;
  std::uint64_t finishedId = 0;
  bool writing = false;
  bool stop = false;
  bool callInProgress = false;  // one Write at a time, so each caller gets its own result
  Result lastResult;
};

namespace {

AbandonableWriter::Result WriteOnce(int fd, const std::vector<std::uint8_t>& bytes) {
  AbandonableWriter::Result result;
  while (true) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written >= 0) {
      result.kind = AbandonableWriter::Result::Kind::kWritten;
      result.bytesWritten = static_cast<std::size_t>(written);
      return result;
    }
    if (errno != EINTR) {
      result.kind = AbandonableWriter::Result::Kind::kFailed;
      result.error = errno;
      return result;
    }
  }
}

// Marks a Write under way, for as long as it lives (destroyed with the mutex still held), so the
// next caller waits for it on every way out.
class CallInProgress {
 public:
  explicit CallInProgress(AbandonableWriter::Shared& shared) : shared_(shared) { shared_.callInProgress = true; }
  ~CallInProgress() {
    shared_.callInProgress = false;
    shared_.changed.notify_all();
  }
  CallInProgress(const CallInProgress&) = delete;
  CallInProgress& operator=(const CallInProgress&) = delete;

 private:
  AbandonableWriter::Shared& shared_;
};

void Run(const std::shared_ptr<AbandonableWriter::Shared>& shared) {
  std::unique_lock lock(shared->mutex);
  while (true) {
    shared->changed.wait(lock, [&] { return shared->stop || shared->job.has_value(); });
    if (!shared->job) return;
    const std::vector<std::uint8_t> bytes = std::move(*shared->job);
    shared->job.reset();
    const std::uint64_t id = shared->jobId;
    shared->writing = true;
    lock.unlock();
    const AbandonableWriter::Result result = WriteOnce(shared->fd, bytes);
    lock.lock();
    shared->writing = false;
    shared->finishedId = id;
    shared->lastResult = result;
    shared->changed.notify_all();
  }
}

}  // namespace

std::unique_ptr<AbandonableWriter> AbandonableWriter::Create(int fd, int& error) {
  const int duplicate = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (duplicate < 0) {
    error = errno;
    support::LogFailure("duplicate descriptor for the writer", std::strerror(errno));
    return nullptr;
  }
  auto shared = std::make_shared<Shared>(duplicate);
  std::unique_ptr<AbandonableWriter> writer(new AbandonableWriter(shared));
  try {
    writer->thread_ = std::thread([shared] { Run(shared); });
  } catch (const std::system_error& failure) {
    error = failure.code().value();
    support::LogFailure("start writer thread", failure.what());
    return nullptr;
  }
  return writer;
}

AbandonableWriter::AbandonableWriter(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

AbandonableWriter::~AbandonableWriter() {
  if (!thread_.joinable()) return;
  bool blocked = false;
  {
    std::scoped_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->job.reset();  // a write not yet begun is never begun
    blocked = shared_->writing;
  }
  shared_->changed.notify_all();
  if (blocked) {
    thread_.detach();  // it holds the shared state and ends once its write() returns
  } else {
    thread_.join();
  }
}

AbandonableWriter::Result AbandonableWriter::Write(std::span<const std::uint8_t> bytes,
                                                   std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  Result outcome;
  outcome.kind = Result::Kind::kPreviousStillBlocked;
  std::unique_lock lock(shared_->mutex);
  if (!shared_->changed.wait_until(lock, deadline, [&] { return !shared_->callInProgress; })) return outcome;
  const CallInProgress call(*shared_);

  if (!shared_->changed.wait_until(lock, deadline, [&] { return !shared_->writing && !shared_->job; })) {
    return outcome;
  }
  const std::uint64_t id = ++shared_->jobId;
  shared_->job.emplace(bytes.begin(), bytes.end());
  shared_->changed.notify_all();
  if (!shared_->changed.wait_until(lock, deadline, [&] { return shared_->finishedId >= id; })) {
    outcome.kind = Result::Kind::kTimedOut;
    return outcome;
  }
  return shared_->lastResult;
}

}  // namespace platform::linux_backend
