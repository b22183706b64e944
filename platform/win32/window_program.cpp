#include "platform/win32/window_program.h"

#include <vector>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[257] = {};  // class names have at most 256 characters
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

DWORD ProcessOf(HWND window) {
  DWORD processId = 0;
  if (GetWindowThreadProcessId(window, &processId) == 0) return 0;
  return processId;
}

struct AppWindowSearch {
  DWORD hostProcess;
  HWND found = nullptr;
};

// EnumChildWindows' callback: a function of the system's calling convention (a lambda is not one
// on 32-bit Windows).
BOOL CALLBACK FindAppWindow(HWND child, LPARAM parameter) {
  auto* search = reinterpret_cast<AppWindowSearch*>(parameter);
  const DWORD processId = ProcessOf(child);
  if (processId == 0 || processId == search->hostProcess) return TRUE;
  search->found = child;
  return FALSE;
}

// The first child window of `frame` that belongs to another process than the frame's.
HWND AppWindowInFrame(HWND frame, DWORD hostProcess) {
  AppWindowSearch search{hostProcess};
  EnumChildWindows(frame, FindAppWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

WindowProgram Describe(HWND window, DWORD processId, const ImagePathQuery& imagePathOf) {
  WindowProgram result;
  result.processId = processId;
  DWORD error = 0;
  std::optional<std::wstring> path = imagePathOf(processId, error);
  if (!path) {
    result.outcome = WindowProgram::Outcome::kNotTold;
    result.error = error;
    return result;
  }
  result.outcome = WindowProgram::Outcome::kTold;
  result.program.executablePath = std::move(*path);
  result.program.windowClass = ClassOf(window);
  result.program.isThisProgram = processId == GetCurrentProcessId();
  return result;
}

}  // namespace

std::optional<std::wstring> QueryImagePath(DWORD processId, DWORD& error) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) {
    error = GetLastError();
    return std::nullopt;
  }
  // Long paths (\\?\ prefixed, up to 32767 characters) are allowed for.
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (QueryFullProcessImageNameW(process.get(), 0, buffer.data(), &length)) return std::wstring(buffer.data(), length);
    error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER || buffer.size() >= 32768) return std::nullopt;
    buffer.resize(buffer.size() * 4);
  }
}

bool IsAppFrameHost(std::wstring_view path) {
  constexpr std::wstring_view kHost = L"applicationframehost.exe";
  if (path.size() < kHost.size()) return false;
  const std::wstring_view name = path.substr(path.size() - kHost.size());
  if (path.size() > kHost.size()) {
    const wchar_t before = path[path.size() - kHost.size() - 1];
    if (before != L'\\' && before != L'/') return false;
  }
  for (std::size_t i = 0; i < kHost.size(); ++i) {
    wchar_t c = name[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != kHost[i]) return false;
  }
  return true;
}

WindowProgram ProgramOfWindow(HWND window, const ImagePathQuery& imagePathOf) {
  const DWORD processId = window != nullptr ? ProcessOf(window) : 0;
  if (processId == 0) return WindowProgram{};
  WindowProgram result = Describe(window, processId, imagePathOf);
  if (result.outcome != WindowProgram::Outcome::kTold || !IsAppFrameHost(result.program.executablePath)) return result;
  const HWND app = AppWindowInFrame(window, processId);
  const DWORD appProcess = app != nullptr ? ProcessOf(app) : 0;
  if (appProcess == 0) {
    WindowProgram waiting;
    waiting.outcome = WindowProgram::Outcome::kAppNotInFrame;
    waiting.processId = processId;
    return waiting;
  }
  return Describe(app, appProcess, imagePathOf);
}

}  // namespace platform::win32
