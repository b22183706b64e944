// A small program with one top-level window, for the tests and the benchmark of switching by the
// program in front. It prints "window <handle in hex>" once its window exists, then follows
// commands on its standard input, one a line, and ends when its standard input ends:
//   front          bring the window to the front
//   parent <hex>   move the window into window <hex> as its child (as a UWP app's window goes into
//                  its frame)
// Each command is answered with "done" once carried out.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

// The program's name as wide text: KB_PROGRAM_NAME is a bare name given by the build.
#define KB_WIDE_TEXT(name) L"" #name
#define KB_WIDE_NAME(name) KB_WIDE_TEXT(name)

namespace {

constexpr UINT kMsgCommand = WM_APP + 1;  // lParam: a new std::string, deleted here

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMsgCommand) {
    std::string* command = reinterpret_cast<std::string*>(lParam);
    if (*command == "front") {
      SetForegroundWindow(window);
    } else if (command->rfind("parent ", 0) == 0) {
      const auto parent = reinterpret_cast<HWND>(std::strtoull(command->c_str() + 7, nullptr, 16));
      SetWindowLongPtrW(window, GWL_STYLE, WS_CHILD | WS_VISIBLE);
      SetParent(window, parent);
      MoveWindow(window, 0, 0, 200, 100, TRUE);
    }
    delete command;
    std::printf("done\n");
    std::fflush(stdout);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain() {
  const std::wstring className = L"kbconfig foreground program " KB_WIDE_NAME(KB_PROGRAM_NAME);
  WNDCLASSEXW description{};
  description.cbSize = sizeof description;
  description.lpfnWndProc = &Procedure;
  description.hInstance = GetModuleHandleW(nullptr);
  description.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  description.lpszClassName = className.c_str();
  if (RegisterClassExW(&description) == 0) return 1;
  const HWND window = CreateWindowExW(0, className.c_str(), KB_WIDE_NAME(KB_PROGRAM_NAME), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200,
                                      320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return 1;
  std::printf("window %llx\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  std::fflush(stdout);

  std::thread([window] {
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
      std::string command(line);
      while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
      PostMessageW(window, kMsgCommand, 0, reinterpret_cast<LPARAM>(new std::string(command)));
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  }).detach();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
