#include "test_window.h"

#include <windowsx.h>

#include <stdexcept>

namespace win32_test {

namespace {
constexpr wchar_t kClassName[] = L"kbconfig test window";
}  // namespace

TestWindow::TestWindow() {
  static const ATOM windowClass = [] {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &TestWindow::Procedure;
    description.hInstance = GetModuleHandleW(nullptr);
    description.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    description.lpszClassName = kClassName;
    return RegisterClassExW(&description);
  }();
  if (windowClass == 0) throw std::runtime_error("RegisterClassExW failed");
  window_ = CreateWindowExW(WS_EX_TOPMOST, kClassName, L"kbconfig test", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300,
                            nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw std::runtime_error("CreateWindowExW failed");
  Reset();
}

TestWindow& TestWindow::Shared() {
  // Never destroyed: the process ends with it (destroying a window costs Wine two seconds).
  static TestWindow* const window = new TestWindow;
  window->Reset();
  return *window;
}

void TestWindow::Reset() {
  Pump(std::chrono::milliseconds(0));
  Clear();
  SetForegroundWindow(window_);
  SetFocus(window_);
  PumpUntil([this] { return Focused(); }, std::chrono::seconds(2));
}

TestWindow::~TestWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool TestWindow::Focused() const { return GetFocus() == window_ && GetForegroundWindow() == window_; }

POINT TestWindow::Centre() const {
  RECT rect{};
  GetWindowRect(window_, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void TestWindow::Pump(std::chrono::milliseconds duration) {
  PumpUntil([] { return false; }, duration);
}

bool TestWindow::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::milliseconds(0)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void TestWindow::Clear() {
  keys_.clear();
  mouse_.clear();
}

LRESULT CALLBACK TestWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      self->keys_.push_back(KeyMessage{message, static_cast<UINT>(wParam), static_cast<UINT>((lParam >> 16) & 0xFF),
                                       ((lParam >> 24) & 1) != 0});
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
    case WM_MOUSEWHEEL: {
      MouseMessage mouse;
      mouse.message = message;
      GetCursorPos(&mouse.screen);
      if (message == WM_MOUSEWHEEL) mouse.wheelDelta = GET_WHEEL_DELTA_WPARAM(wParam);
      if (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP) mouse.xButton = GET_XBUTTON_WPARAM(wParam);
      self->mouse_.push_back(mouse);
      return message == WM_XBUTTONDOWN || message == WM_XBUTTONUP ? TRUE : 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

namespace {

// Wine's entry for the input its drivers read from the X server.
using HardwareInput = BOOL(CDECL*)(HWND window, const INPUT* input, const RAWINPUT* raw);

HardwareInput WineHardwareInput() {
  static const HardwareInput entry = [] {
    // Loaded with user32; asked for by name, so the test program links no Wine library.
    const HMODULE win32u = LoadLibraryW(L"win32u.dll");
    return win32u == nullptr ? nullptr
                             : reinterpret_cast<HardwareInput>(
                                   reinterpret_cast<void*>(GetProcAddress(win32u, "__wine_send_input")));
  }();
  return entry;
}

INPUT KeyInput(UINT virtualKey, UINT scanCode, DWORD flags, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(virtualKey);
  input.ki.wScan = static_cast<WORD>(scanCode);
  input.ki.dwFlags = flags | (down ? 0 : KEYEVENTF_KEYUP);
  return input;
}

bool Send(INPUT input) { return SendInput(1, &input, sizeof input) == 1; }

}  // namespace

bool TypeKey(UINT virtualKey, UINT scanCode, bool extended, bool down) {
  const HardwareInput hardware = WineHardwareInput();
  const INPUT input = KeyInput(virtualKey, scanCode, extended ? KEYEVENTF_EXTENDEDKEY : 0, down);
  return hardware != nullptr && hardware(nullptr, &input, nullptr) != FALSE;
}

bool SendKey(UINT virtualKey, UINT scanCode, bool down) { return Send(KeyInput(virtualKey, scanCode, 0, down)); }

bool SendCharacter(wchar_t character, bool down) {
  return Send(KeyInput(0, static_cast<UINT>(character), KEYEVENTF_UNICODE, down));
}

bool TapKey(UINT virtualKey, UINT scanCode, bool extended) {
  return TypeKey(virtualKey, scanCode, extended, true) && TypeKey(virtualKey, scanCode, extended, false);
}

}  // namespace win32_test
