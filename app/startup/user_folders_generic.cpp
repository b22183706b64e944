#include <QStandardPaths>

#include "app/startup/user_folders.h"
#include "support/path_text.h"

namespace app {

std::filesystem::path UserAppDataFolder() { return {}; }

// One instance per user: in the shared /tmp another user's instance would stop this one.
std::filesystem::path InstanceLockFolder() {
  return support::PathFromUtf8(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString());
}

}  // namespace app
