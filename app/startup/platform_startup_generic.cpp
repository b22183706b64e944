// Start-up steps on systems other than Windows: argv carries the option, and the window system
// lets an activated window come forward without a grant from another process.
#include <QLocalSocket>
#include <QStandardPaths>

#include "app/startup/command_line.h"
#include "app/startup/platform_startup.h"
#include "ui/toolkit/qt_path.h"

namespace app {

bool ProcessStartsHidden(int argc, const char* const* argv) { return StartsHidden(argc, argv); }

std::uint32_t AllowInstanceToTakeForeground(const QLocalSocket&) { return 0; }

std::filesystem::path UserAppDataFolder() { return {}; }

// One instance per user: in the shared /tmp another user's instance would stop this one.
std::filesystem::path InstanceLockFolder() {
  return ui::QStringToPath(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
}

// The window's own activation (restore, raise, activate) is all it takes here.
void TakeForeground(QWidget&) {}

}  // namespace app
