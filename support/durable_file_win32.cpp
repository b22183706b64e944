#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <string>

#include "support/durable_file.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "support/text.h"

namespace support::durable {
namespace {

// The system's message for `error` in the user's language, without its closing full stop and
// line end (it is quoted inside sentences); "Windows error <n>" when the system has none.
std::string WindowsErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && std::wstring_view(L"\r\n .\u3002").find(message.back()) != std::wstring_view::npos) {
    message.pop_back();
  }
  return message.empty() ? "Windows error " + std::to_string(error) : WideToUtf8(message);
}

// Logs the failed call and returns the system's message for `error`.
std::string LogWindowsError(std::string_view operation, const std::filesystem::path& path, DWORD error) {
  std::string message = WindowsErrorText(error);
  LogFailure(operation, PathToUtf8(path) + ": " + message + " (Windows error " + std::to_string(error) + ")");
  return message;
}

// Closes the handle when it goes, unless Close() did already.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (IsOpen()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, std::string_view bytes, const std::filesystem::path& path, std::string& reason) {
  constexpr std::size_t kLargestWrite = 1u << 30;
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
      reason = LogWindowsError("WriteFile", path, GetLastError());
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool WriteNewFile(const std::filesystem::path& path, std::string_view bytes, std::string& reason) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) {
    reason = LogWindowsError("CreateFileW", path, GetLastError());
    return false;
  }
  bool written = WriteAll(file.Get(), bytes, path, reason);
  if (written && !FlushFileBuffers(file.Get())) {
    reason = LogWindowsError("FlushFileBuffers", path, GetLastError());
    written = false;
  }
  if (written && !file.Close()) {
    reason = LogWindowsError("CloseHandle", path, GetLastError());
    written = false;
  }
  if (!written) {
    if (file.IsOpen()) file.Close();
    RemoveFile(path);
  }
  return written;
}

RenameResult RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::string& reason) {
  // MOVEFILE_WRITE_THROUGH: returns only once the move is on the disk.
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    reason = LogWindowsError("MoveFileExW", to, GetLastError());
    return RenameResult::kNotReplaced;
  }
  return RenameResult::kReplaced;
}

bool CreateFolder(const std::filesystem::path& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return true;
  }
  LogWindowsError("CreateDirectoryW", path, error);
  return false;
}

bool RenameFolder(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Without MOVEFILE_REPLACE_EXISTING an existing `to` is refused; write-through returns only once
  // the move is on the disk.
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    LogWindowsError("MoveFileExW(folder)", to, GetLastError());
    return false;
  }
  return true;
}

bool RemoveFile(const std::filesystem::path& path) {
  if (DeleteFileW(path.c_str())) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
  LogWindowsError("DeleteFileW", path, error);
  return false;
}

}  // namespace support::durable
