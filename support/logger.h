#pragma once
// The program's diagnostic log: UTF-8 text on standard output, one writer at a time.
// Narrow and wide printf formats are both accepted and end up as UTF-8, because C stdio
// cannot mix narrow and wide output on one stream.
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace support {

class Logger {
 public:
  using Sink = std::function<void(std::string_view utf8)>;

  static Logger& Instance();

  // Writes the text as it stands (the program's log formats carry their own line ends).
  void Write(std::string_view utf8);
  // Replaces where the text goes; returns the previous sink. An empty sink means standard output.
  Sink ReplaceSink(Sink sink);

 private:
  std::mutex mutex_;
  Sink sink_;
};

#if defined(__MINGW32__)  // MinGW builds use its C99 printf (__USE_MINGW_ANSI_STDIO), not msvcrt's
void Log(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif
void LogWide(const wchar_t* format, ...);
// One line for a failed operation: "<operation> failed: <detail>\n".
void LogFailure(std::string_view operation, std::string_view detail);

// Collects everything logged while it lives (for tests); output is restored afterwards.
class ScopedLogCapture {
 public:
  ScopedLogCapture();
  ~ScopedLogCapture();
  ScopedLogCapture(const ScopedLogCapture&) = delete;
  ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

  std::string Text() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::string text_;
  Logger::Sink previous_;
};

}  // namespace support
