#pragma once
// The few start-up steps that differ between systems. The build links one implementation:
// app/win32/platform_startup_win32.cpp on Windows, platform_startup_generic.cpp elsewhere.
#include <cstdint>
#include <filesystem>

#include "app/startup/user_folders.h"  // the folders kbconfigctl shares

class QLocalSocket;
class QWidget;

namespace app {

// Whether this process was asked to start hidden. On Windows the raw command line decides
// (GetCommandLineW; "-hid" must be the whole text after the program name, as WinMain sees it);
// elsewhere argv as main() received it (exactly one argument, "-hid").
bool ProcessStartsHidden(int argc, const char* const* argv);

// A second start, connected to the running instance, lets that instance's process take the
// foreground (Windows gives it only to a process the foreground process allows). Returns the
// process allowed, 0 when none was (or the system has no such rule).
std::uint32_t AllowInstanceToTakeForeground(const QLocalSocket& connection);

// Brings a shown top-level window to the foreground: restored when minimised, then made the
// foreground window (on Windows SetForegroundWindow, which the second start has allowed).
void TakeForeground(QWidget& window);

}  // namespace app
