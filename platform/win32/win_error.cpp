#include "platform/win32/win_error.h"

#include "platform/win32/win_api.h"
#include "support/logger.h"
#include "support/text.h"

namespace platform::win32 {

std::string ErrorMessage(std::uint32_t error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return std::string();
  std::wstring text(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return support::WideToUtf8(text);
}

void LogWinFailure(std::string_view operation, std::uint32_t error) {
  std::string detail = "Windows error " + std::to_string(error);
  const std::string message = ErrorMessage(error);
  if (!message.empty()) detail += " (" + message + ")";
  support::LogFailure(operation, detail);
}

}  // namespace platform::win32
