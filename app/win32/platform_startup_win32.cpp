// Start-up steps on Windows: the raw command line, and the foreground hand-over between a second
// start and the running instance.
#include <windows.h>

#include <string>
#include <system_error>

#include <QLocalSocket>
#include <QWidget>

#include "app/startup/command_line.h"
#include "app/startup/platform_startup.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace app {

namespace {

// "<operation> failed: Windows error <code>", as the backend logs its failed calls.
void LogWinFailure(const char* operation) {
  support::LogFailure(operation, "Windows error " + std::to_string(GetLastError()));
}

}  // namespace

bool ProcessStartsHidden(int, const char* const*) {
  const wchar_t* commandLine = GetCommandLineW();
  return commandLine != nullptr && CommandLineStartsHidden(commandLine);
}

std::uint32_t AllowInstanceToTakeForeground(const QLocalSocket& connection) {
  // A connected local socket is the client end of a named pipe.
  const auto pipe = reinterpret_cast<HANDLE>(connection.socketDescriptor());
  if (connection.state() != QLocalSocket::ConnectedState || pipe == nullptr || pipe == INVALID_HANDLE_VALUE) {
    return 0;
  }
  ULONG server = 0;
  if (!GetNamedPipeServerProcessId(pipe, &server)) {
    LogWinFailure("GetNamedPipeServerProcessId");
    return 0;
  }
  if (!AllowSetForegroundWindow(server)) {
    // Refused when this process may not give the foreground away itself (it is not in front);
    // the running instance then only flashes its taskbar button.
    LogWinFailure("AllowSetForegroundWindow");
    return 0;
  }
  return server;
}

void TakeForeground(QWidget& window) {
  QWidget* top = window.window();
  const auto handle = reinterpret_cast<HWND>(top->winId());
  if (IsIconic(handle)) ShowWindow(handle, SW_RESTORE);
  if (!IsWindowVisible(handle)) ShowWindow(handle, SW_SHOW);
  if (!SetForegroundWindow(handle)) support::LogFailure("SetForegroundWindow", "the system kept another window in front");
}

}  // namespace app
