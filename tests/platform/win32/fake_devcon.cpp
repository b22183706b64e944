// Stands in for devcon.exe in the tests: writes the command line it was started with, and how it
// was asked to show its window, to "command_line.txt" beside itself (UTF-8), then exits with the
// code found in "exit_code.txt" beside itself (0 when there is none).
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/text.h"

namespace {

std::filesystem::path OwnFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  return std::filesystem::path(std::wstring(path, length)).parent_path();
}

}  // namespace

int wmain() {
  const std::filesystem::path folder = OwnFolder();
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  std::ofstream out(folder / L"command_line.txt", std::ios::binary | std::ios::trunc);
  out << support::WideToUtf8(GetCommandLineW()) << '\n'
      << "flags=" << startup.dwFlags << " show=" << startup.wShowWindow << '\n';
  out.close();
  if (!out) return 100;
  int exitCode = 0;
  std::ifstream codeFile(folder / L"exit_code.txt");
  codeFile >> exitCode;
  return exitCode;
}
