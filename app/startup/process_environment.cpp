#include "app/startup/process_environment.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

#include "app/startup/platform_startup.h"
#include "app/startup/virtual_device_setup.h"
#include "ui/toolkit/qt_path.h"

namespace app {

ProgramEnvironment ProcessEnvironment(platform::ForegroundWatcher& foreground) {
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
      .settings = model::SettingsStore::Instance(),
      .foreground = foreground,
      .clock = support::SteadyClock::Instance(),
      .folders = ChooseProgramFolders(ui::QStringToPath(QCoreApplication::applicationDirPath()),
                                      UserFoldersOfThisProcess()),
      .lockFolder = InstanceLockFolder(),
      .changeWorkingFolder = true,
      .trayAvailable = QSystemTrayIcon::isSystemTrayAvailable(),
      .ensureVirtualDevice =
          [&virtualDevice] {
            return PrepareVirtualDevice(virtualDevice, platform::DefaultProcessSystem(), platform::DefaultFileSystem());
          },
      .showMessage = {},
      .onWindowShown = {},
      .pretendForeground = {}};
}

}  // namespace app
