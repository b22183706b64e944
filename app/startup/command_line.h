#pragma once
// The program's one option: exactly "-hid" as the whole command line starts it hidden behind its
// tray icon. The comparison is case-sensitive; anything else (or nothing) shows the window.
namespace app {

inline constexpr const char* kStartHiddenOption = "-hid";

// argv as main() receives it, before Qt takes its own options out.
bool StartsHidden(int argc, const char* const* argv);

}  // namespace app
