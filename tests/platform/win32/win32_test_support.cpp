#include "win32_test_support.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace win32_test {

TempFolder::TempFolder() {
  path_ = std::filesystem::temp_directory_path() / UniqueName(L"kbconfig-win32-test");
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::wstring UniqueName(const std::wstring& prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1));
}

std::filesystem::path TestProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  if (length == 0 || length >= std::size(path)) throw std::runtime_error("GetModuleFileNameW failed");
  return std::filesystem::path(std::wstring(path, length)).parent_path();
}

}  // namespace win32_test
