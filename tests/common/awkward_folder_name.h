#pragma once
// A folder name that text conversions of paths trip over: bytes that are not UTF-8 on POSIX
// systems (path::wstring() throws for them), characters outside any ANSI code page on Windows
// (path::string() cannot carry them).
#include <filesystem>
#include <string>

namespace testsupport {

inline std::filesystem::path AwkwardFolderName() {
  if constexpr (sizeof(std::filesystem::path::value_type) == 1) {
    return std::filesystem::path(std::string("kb-\xff\xfe-caf\xe9"));
  } else {
    return std::filesystem::path(std::wstring(L"kb-\u5199-caf\u00e9-\U0001F3B9"));
  }
}

}  // namespace testsupport
