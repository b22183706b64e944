#pragma once
// The lines a program writes, read on a thread of their own until its output ends; a test waits
// for the next one with a time limit.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace fgtest {

class LineReader {
 public:
  // `read` fills a buffer and returns the bytes read, 0 at the end of the output or on a failure.
  explicit LineReader(std::function<std::size_t(char* buffer, std::size_t size)> read);
  // Waits for the output to end.
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next whole line (without its line end), or nothing when none came within `limit` or the
  // output ended.
  std::optional<std::string> Next(std::chrono::milliseconds limit);

 private:
  void Run();

  std::function<std::size_t(char*, std::size_t)> read_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> lines_;
  bool ended_ = false;
  std::thread thread_;
};

}  // namespace fgtest
