#include "platform/win32/win_process.h"

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"

namespace platform::win32 {

bool WinProcessSystem::RunAndWait(const std::wstring& program, const std::wstring& commandLine,
                                  std::uint32_t& exitCode, std::uint32_t& error) {
  if (program.empty()) {
    error = ERROR_INVALID_PARAMETER;
    LogWinFailure("CreateProcessW(empty program path)", error);
    return false;
  }
  // CreateProcessW may write into the command line: give it a private copy.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    error = GetLastError();
    LogWinFailure("CreateProcessW", error);
    return false;
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  thread.Reset();
  error = 0;
  if (WaitForSingleObject(process.get(), INFINITE) == WAIT_FAILED) {
    // The program runs, but its end cannot be seen: report it as not run to the end.
    error = GetLastError();
    LogWinFailure("WaitForSingleObject(process)", error);
    return false;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) {
    LogWinFailure("GetExitCodeProcess", GetLastError());
    code = 0;
  }
  exitCode = code;
  return true;
}

bool WinProcessSystem::ExecutablePath(std::wstring& path, std::uint32_t& error) {
  // Long paths do not fit MAX_PATH: grow the buffer until the whole name fits.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::wstring buffer(size, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) {
      error = GetLastError();
      LogWinFailure("GetModuleFileNameW", error);
      return false;
    }
    if (length < size) {
      buffer.resize(length);
      path = std::move(buffer);
      error = 0;
      return true;
    }
  }
  error = ERROR_INSUFFICIENT_BUFFER;
  LogWinFailure("GetModuleFileNameW", error);
  return false;
}

bool WinProcessSystem::Is32BitOn64BitSystem(bool& answer, std::uint32_t& error) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64)) {
    error = GetLastError();
    LogWinFailure("IsWow64Process", error);
    return false;
  }
  answer = wow64 != FALSE;
  error = 0;
  return true;
}

}  // namespace platform::win32
