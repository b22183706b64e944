#pragma once
// The program's one option: exactly "-hid" as the whole command line starts it hidden behind its
// tray icon. The comparison is case-sensitive; anything else (or nothing) shows the window.
#include <string_view>

namespace app {

inline constexpr const char* kStartHiddenOption = "-hid";
// The same option in a raw Windows command line.
inline constexpr std::wstring_view kStartHiddenOptionWide = L"-hid";

// argv as main() receives it, before Qt takes its own options out.
bool StartsHidden(int argc, const char* const* argv);

// What follows the program name in a raw Windows command line (GetCommandLineW), as the C
// runtime hands it to WinMain: the program name ends at its closing quote when it starts with
// one, otherwise at the first blank, tab or other control character; those after it are skipped.
// Nothing else is unquoted or split.
std::wstring_view ArgumentsOfCommandLine(std::wstring_view commandLine);

// A raw Windows command line whose whole argument text is "-hid": `kbconfig.exe -hid` is,
// `kbconfig.exe "-hid"` and `kbconfig.exe -hid x` are not.
bool CommandLineStartsHidden(std::wstring_view commandLine);

}  // namespace app
