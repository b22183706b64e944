#include "line_reader.h"

namespace fgtest {

LineReader::LineReader(std::function<std::size_t(char*, std::size_t)> read)
    : read_(std::move(read)), thread_([this] { Run(); }) {}

LineReader::~LineReader() { thread_.join(); }

void LineReader::Run() {
  std::string partial;
  char buffer[512];
  while (true) {
    const std::size_t count = read_(buffer, sizeof buffer);
    if (count == 0) break;
    partial.append(buffer, count);
    std::size_t end;
    while ((end = partial.find('\n')) != std::string::npos) {
      std::string line = partial.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      partial.erase(0, end + 1);
      std::scoped_lock lock(mutex_);
      lines_.push_back(std::move(line));
      changed_.notify_all();
    }
  }
  std::scoped_lock lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

std::optional<std::string> LineReader::Next(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, limit, [this] { return !lines_.empty() || ended_; });
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

}  // namespace fgtest
