// window_probe: what the end-to-end checks see of the program's windows and do to them, from
// inside Windows (or Wine), as a user at the desktop would.
//
//   window_probe wait <title> <seconds>     waits until a visible top-level window has exactly
//                                           this title; 0 when it does, 1 when time ran out
//   window_probe wait-gone <title> <seconds>  waits until no visible window has this title
//   window_probe visible <title>            0 when a visible window has this title, 1 otherwise
//   window_probe foreground                 prints the foreground window's title
//   window_probe press-enter <title>        brings the window to the front and types Enter
//   window_probe close <title>              asks the window to close (WM_CLOSE), as its close
//                                           button or Alt+F4 would
//   window_probe can-create-window          0 when this process can create a window: Wine's
//                                           desktop process was up in time to give it a display
//                                           driver (a process that had to wait longer gets none)
//   window_probe key-sink <title> <seconds> shows a window with this title in front and prints
//                                           each key it gets ("down <vk>" / "up <vk>", virtual key
//                                           in hexadecimal) until the time is up or it is closed
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
  const wchar_t* title;
  HWND found = nullptr;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t text[512] = {};
  if (!IsWindowVisible(window) || GetWindowTextW(window, text, 512) == 0) return TRUE;
  if (std::wcscmp(text, search->title) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND VisibleWindow(const wchar_t* title) {
  Search search{title};
  EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool WaitFor(const wchar_t* title, double seconds, bool present) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  while (true) {
    if ((VisibleWindow(title) != nullptr) == present) return true;
    if (GetTickCount64() > deadline) return false;
    Sleep(100);
  }
}

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

LRESULT CALLBACK KeySinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP || message == WM_SYSKEYUP) {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    // Auto-repeat (a down while already down) is not a new press.
    if (!down || (lParam & (1 << 30)) == 0) {
      std::printf("%s %02x\n", down ? "down" : "up", static_cast<unsigned>(wParam));
      std::fflush(stdout);
    }
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

int KeySink(const wchar_t* title, double seconds) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = KeySinkProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"window_probe key sink";
  if (RegisterClassW(&windowClass) == 0) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
                                200, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 1;
  SetForegroundWindow(window);
  SetFocus(window);
  std::printf("ready\n");
  std::fflush(stdout);
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  MSG message;
  while (GetTickCount64() < deadline) {
    const DWORD left = static_cast<DWORD>(deadline - GetTickCount64());
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT) != WAIT_OBJECT_0) break;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return 0;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr, "usage: window_probe wait|wait-gone <title> <seconds> | visible <title> | foreground |"
                       " press-enter <title> | close <title> | can-create-window | key-sink <title> <seconds>\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];
  if ((command == L"wait" || command == L"wait-gone") && argc == 4) {
    const bool ok = WaitFor(argv[2], std::wcstod(argv[3], nullptr), command == L"wait");
    if (!ok) std::printf("window_probe: timed out waiting for \"%s\"\n", Utf8(argv[2]).c_str());
    return ok ? 0 : 1;
  }
  if (command == L"visible" && argc == 3) return VisibleWindow(argv[2]) != nullptr ? 0 : 1;
  if (command == L"key-sink" && argc == 4) return KeySink(argv[2], std::wcstod(argv[3], nullptr));
  if (command == L"can-create-window" && argc == 2) {
    HWND window = CreateWindowExW(0, L"STATIC", L"window_probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr) return 1;
    DestroyWindow(window);
    return 0;
  }
  if (command == L"foreground" && argc == 2) {
    wchar_t text[512] = {};
    if (HWND window = GetForegroundWindow()) GetWindowTextW(window, text, 512);
    std::printf("%s\n", Utf8(text).c_str());
    return 0;
  }
  if ((command == L"press-enter" || command == L"close") && argc == 3) {
    HWND window = VisibleWindow(argv[2]);
    if (window == nullptr) {
      std::printf("window_probe: no visible window \"%s\"\n", Utf8(argv[2]).c_str());
      return 1;
    }
    if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    SetForegroundWindow(window);
    Sleep(200);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2 ? 0 : 1;
  }
  return Usage();
}
