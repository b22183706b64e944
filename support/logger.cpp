#include "support/logger.h"

#include <cstdarg>
#include <cstdio>

#include "support/text.h"

namespace support {

Logger& Logger::Instance() {
  static Logger logger;
  return logger;
}

void Logger::Write(std::string_view utf8) {
  std::scoped_lock lock(mutex_);
  if (sink_) {
    sink_(utf8);
    return;
  }
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

Logger::Sink Logger::ReplaceSink(Sink sink) {
  std::scoped_lock lock(mutex_);
  std::swap(sink_, sink);
  return sink;
}

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatV(format, args);
  va_end(args);
  Logger::Instance().Write(text);
}

void LogWide(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const std::wstring text = FormatWideV(format, args);
  va_end(args);
  Logger::Instance().Write(WideToUtf8(text));
}

void LogFailure(std::string_view operation, std::string_view detail) {
  std::string line;
  line.reserve(operation.size() + detail.size() + 10);
  line.append(operation).append(" failed: ").append(detail).append("\n");
  Logger::Instance().Write(line);
}

ScopedLogCapture::ScopedLogCapture() {
  previous_ = Logger::Instance().ReplaceSink([this](std::string_view text) {
    std::scoped_lock lock(mutex_);
    text_.append(text);
  });
}

ScopedLogCapture::~ScopedLogCapture() { Logger::Instance().ReplaceSink(std::move(previous_)); }

std::string ScopedLogCapture::Text() const {
  std::scoped_lock lock(mutex_);
  return text_;
}

void ScopedLogCapture::Clear() {
  std::scoped_lock lock(mutex_);
  text_.clear();
}

}  // namespace support
