#pragma once
// A pipe that behaves like a hidraw node of a keyboard that does not answer: it polls writable,
// yet a write of more than its one page blocks until the reader takes the bytes. Draining it
// stands for the device answering at last.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <optional>
#include <vector>

namespace kbtest {

class StalledPipe {
 public:
  static constexpr std::size_t kCapacity = 4096;
  // More than the pipe holds: a write of it blocks although the pipe polls writable.
  static constexpr std::size_t kBlockingSize = 2 * kCapacity;

  StalledPipe() {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    readFd_ = fds[0];
    writeFd_ = fds[1];
    if (::fcntl(writeFd_, F_SETPIPE_SZ, static_cast<int>(kCapacity)) != static_cast<int>(kCapacity)) CloseBoth();
  }
  ~StalledPipe() { CloseBoth(); }
  StalledPipe(const StalledPipe&) = delete;
  StalledPipe& operator=(const StalledPipe&) = delete;

  bool IsOpen() const { return readFd_ >= 0; }  // both ends were made
  int WriteFd() const { return writeFd_; }
  // Hands the write end over (the caller closes it).
  int ReleaseWriteFd() {
    const int fd = writeFd_;
    writeFd_ = -1;
    return fd;
  }

  // Reads exactly `count` bytes (blocking), or fewer when every writer has gone.
  std::vector<std::uint8_t> Read(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    while (got < count) {
      const ssize_t n = ::read(readFd_, bytes.data() + got, count - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
  }
  // What is in the pipe now, without blocking.
  std::vector<std::uint8_t> ReadAvailable() {
    const int flags = ::fcntl(readFd_, F_GETFL);
    ::fcntl(readFd_, F_SETFL, flags | O_NONBLOCK);
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[1024];
    ssize_t n = 0;
    while ((n = ::read(readFd_, chunk, sizeof chunk)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    ::fcntl(readFd_, F_SETFL, flags);
    return bytes;
  }
  // True when every writer has gone (end of file) within `timeoutMs`; bytes still there are read
  // and dropped.
  bool AtEndWithin(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd ready{readFd_, POLLIN, 0};
      if (::poll(&ready, 1, 50) > 0) {
        std::uint8_t chunk[1024];
        if (::read(readFd_, chunk, sizeof chunk) == 0) return true;
      }
    }
    return false;
  }

 private:
  void CloseBoth() {
    if (readFd_ >= 0) ::close(readFd_);
    if (writeFd_ >= 0) ::close(writeFd_);
    readFd_ = writeFd_ = -1;
  }

  int readFd_ = -1;
  int writeFd_ = -1;
};

// `size` bytes counting up from `first`, so each write's bytes are told apart.
inline std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i * 7);
  return bytes;
}

// Runs `call` on a thread of its own. When it has not returned after 10 s (it blocks in a write to
// `pipe`), the pipe is drained until it does and nothing is returned: the caller fails the test.
template <typename Call>
auto ReturnsWhileStalled(StalledPipe& pipe, Call call) -> std::optional<decltype(call())> {
  auto running = std::async(std::launch::async, std::move(call));
  if (running.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return running.get();
  while (running.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) pipe.ReadAvailable();
  running.get();
  return std::nullopt;
}

}  // namespace kbtest
