#pragma once
// kbconfigctl writes UTF-8: on Windows the console is told so (console_output_win32.cpp); elsewhere
// the terminal's own encoding is UTF-8 already (console_output_posix.cpp).
namespace app {

void PrepareConsoleOutput();

}  // namespace app
