#include "app/startup/process_environment.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "hostdrv/driver_install.h"

namespace app {

ProgramEnvironment ProcessEnvironment() {
  hostdrv::VHidev& virtualDevice = hostdrv::VHidev::Instance();
  return ProgramEnvironment{
      .hid = platform::DefaultHidSystem(),
      .filters = platform::DefaultFilterDeviceSystem(),
      .virtualDevice = virtualDevice,
      .config = model::AppConfig::Instance(),
      .macros = model::MacroLibrary::Instance(),
      .records = model::RecordStore::Instance(),
      .sides = model::SideModelStore::Instance(),
      .effects = model::LedEffectStore::Instance(),
      .clock = support::SteadyClock::Instance(),
      .programFolder = QCoreApplication::applicationDirPath().toStdWString(),
      // One instance per user: in the shared /tmp another user's instance would stop this one.
      .lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdWString(),
      .changeWorkingFolder = true,
      .trayAvailable = QSystemTrayIcon::isSystemTrayAvailable(),
      .ensureVirtualDevice =
          [&virtualDevice] {
            // The result does not matter here: the program runs either way.
            hostdrv::DriverInstaller(virtualDevice, platform::DefaultProcessSystem(), platform::DefaultFileSystem())
                .EnsureVirtualDevice(std::wstring());
          },
      .showMessage = {},
      .onWindowShown = {}};
}

}  // namespace app
