#pragma once
// A focused top-level window on the test's thread that records the key and mouse messages it
// receives, typing as a keyboard does and typing as a program does. Needs a desktop: under Wine an
// X display (Xvfb).
#include <windows.h>

#include <chrono>
#include <functional>
#include <vector>

namespace win32_test {

struct KeyMessage {
  UINT message = 0;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP
  UINT virtualKey = 0;
  UINT scanCode = 0;
  bool extended = false;
  friend bool operator==(const KeyMessage&, const KeyMessage&) = default;
};

struct MouseMessage {
  UINT message = 0;  // WM_MOUSEMOVE, WM_LBUTTONDOWN, ..., WM_MOUSEWHEEL
  POINT screen{};    // where the cursor is, in screen coordinates
  int wheelDelta = 0;
  UINT xButton = 0;  // XBUTTON1 or XBUTTON2 for WM_XBUTTON*
};

class TestWindow {
 public:
  // The test program's one window, focused, with nothing recorded yet.
  static TestWindow& Shared();

  TestWindow();
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return window_; }
  // Whether the window has the keyboard focus (without a desktop it cannot get it).
  bool Focused() const;
  POINT Centre() const;

  // Runs the message loop of this thread for `duration`, or until `done` holds.
  void Pump(std::chrono::milliseconds duration);
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5));

  const std::vector<KeyMessage>& Keys() const { return keys_; }
  const std::vector<MouseMessage>& Mouse() const { return mouse_; }
  void Clear();
  // Forgets what was recorded and takes the focus back.
  void Reset();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  std::vector<KeyMessage> keys_;
  std::vector<MouseMessage> mouse_;
};

// One key event as a keyboard sends it: virtual key and scan code, extended flag, not marked as
// injected. It goes in where Wine's keyboard drivers put their keys (SendInput would mark it
// injected): under Wine only, false elsewhere. True when the system took it.
bool TypeKey(UINT virtualKey, UINT scanCode, bool extended, bool down);
// Press and release.
bool TapKey(UINT virtualKey, UINT scanCode, bool extended = false);

// Typed by a program, with SendInput: a key (no extra information), or a character (VK_PACKET).
bool SendKey(UINT virtualKey, UINT scanCode, bool down);
bool SendCharacter(wchar_t character, bool down);

}  // namespace win32_test
