#include "platform/win32/wine_check.h"

#include "platform/win32/win_api.h"

namespace platform::win32 {

bool RunsUnderWine() {
  static const bool wine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

}  // namespace platform::win32
