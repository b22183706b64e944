#include "app/startup/program.h"

#include <memory>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include "app/startup/data_files.h"
#include "app/startup/platform_startup.h"
#include "app/startup/single_instance.h"
#include "app/startup/startup_notices.h"
#include "model/config/load_config.h"
#include "profiles/profile_service.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "ui/main_window/main_dlg.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/message_box.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/resource_package.h"
#include "ui/toolkit/xml_translator.h"

namespace app {

namespace {

void CentreOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

}  // namespace

int RunProgram(ProgramEnvironment& environment, bool startHidden) {
  const VirtualDeviceStatus virtualDevice =
      environment.ensureVirtualDevice ? environment.ensureVirtualDevice() : VirtualDeviceStatus::kOpen;
  environment.virtualDevice.ReleaseAll();
  const ProgramFolders& folders = environment.folders;
  if (environment.changeWorkingFolder && !QDir::setCurrent(ui::PathToQString(folders.resources))) {
    support::LogFailure("RunProgram: set working folder", support::PathToUtf8(folders.resources));
  }
  support::Log("Resources in %s, configuration %s, data files in %s\n",
               support::PathToUtf8(folders.resources).c_str(), support::PathToUtf8(folders.configFile).c_str(),
               support::PathToUtf8(folders.data).c_str());
  PrepareDataFolder(folders);

  ui::ResourcePackage package;
  if (!package.Open(folders.resources / "uires")) {
    // Without the package there is no layout for the program's own box: Qt's box tells the user.
    const QString text = QStringLiteral("kbconfig cannot start: its resources are unreadable (%1).")
                             .arg(QString::fromStdString(package.LastError()));
    if (environment.showMessage) {
      environment.showMessage(nullptr, QStringLiteral("Error"), text, ui::MessageButtons::kOk,
                              ui::MessageIcon::kWarning);
    } else {
      QMessageBox::critical(nullptr, QStringLiteral("kbconfig"), text);
    }
    return 1;
  }
  qApp->setStyleSheet(package.ReadText("values:skin"));
  ui::LayoutLoader loader(package, folders.resources);
  auto tell = [&environment, &loader](const QString& text) {
    if (environment.showMessage) {
      environment.showMessage(nullptr, QStringLiteral("Warning"), text, ui::MessageButtons::kOk,
                              ui::MessageIcon::kWarning);
    } else {
      ui::ShowMessageBox(loader, nullptr, QStringLiteral("Warning"), text, ui::MessageButtons::kOk);
    }
  };

  model::LoadConfigFile(folders.configFile, environment.config);
  LoadSettingsFile(folders.data, environment.settings);
  ui::LanguageSwitcher language(package);
  language.Switch(StartLanguage(environment.settings, environment.config));

  profiles::ProfileService profiles(folders.data, {.settings = environment.settings,
                                                   .records = environment.records,
                                                   .effects = environment.effects,
                                                   .sides = environment.sides,
                                                   .macros = environment.macros});
  LoadDataFiles(folders.data, profiles.Catalog().FilesOf(profiles.Active()), environment.macros, environment.records,
                environment.sides, environment.effects);

  // Told by the start that kept the copy, even when another instance runs and this one ends.
  const QString unreadable =
      UnreadableDataText(environment.macros.UnreadableAtLoad(), environment.records.UnreadableAtLoad());
  if (!unreadable.isEmpty()) tell(unreadable);

  const QString instanceName = package.NamedString(0).value_or(QStringLiteral("kbconfig"));
  SingleInstance instance(instanceName, environment.lockFolder);
  if (instance.Acquire() == SingleInstance::Role::kAnotherRunning) return 0;
  // The only instance now: no other save of these files can be under way.
  model::ProfileCatalog catalog(folders.data);
  RemoveInterruptedSaves(catalog);
  if (ShouldTellVirtualDeviceAccess(virtualDevice, folders.data)) tell(VirtualDeviceAccessText());

  ui::CMainDlg window(ui::MainDlgServices{.hid = environment.hid,
                                          .filters = environment.filters,
                                          .virtualDevice = environment.virtualDevice,
                                          .config = environment.config,
                                          .effects = environment.effects,
                                          .sides = environment.sides,
                                          .records = environment.records,
                                          .macros = environment.macros,
                                          .settings = environment.settings,
                                          .profiles = profiles,
                                          .foreground = environment.foreground,
                                          .clock = environment.clock,
                                          .package = package,
                                          .loader = loader,
                                          .language = language,
                                          .instanceName = instanceName,
                                          .trayAvailable = environment.trayAvailable,
                                          .showMessage = environment.showMessage,
                                          .profilePrompts = {},
                                          .pretendForeground = environment.pretendForeground});
  if (!window.Create()) return 1;
  QObject::connect(&instance, &SingleInstance::ActivationRequested, &window, [&window] {
    window.BringToFront();
    TakeForeground(*window.FrontWindow());
  });
  QObject::connect(&window, &ui::CMainDlg::WindowDestroyed, &window, [] { QCoreApplication::exit(0); },
                   Qt::QueuedConnection);
  // The window stays a window of its own when hidden behind the tray icon, so closing other
  // windows (the message box, the macro editor) never ends the program by itself.
  const bool quitOnLastWindow = QGuiApplication::quitOnLastWindowClosed();
  QGuiApplication::setQuitOnLastWindowClosed(false);
  struct RestoreQuitRule {
    bool value;
    ~RestoreQuitRule() { QGuiApplication::setQuitOnLastWindowClosed(value); }
  } restoreQuitRule{quitOnLastWindow};

  if (!window.Initialise()) return 0;  // no keyboard: the user has been told
  CentreOnScreen(window);
  window.ShowAtStart(startHidden);
  if (environment.onWindowShown) environment.onWindowShown(window);
  if (window.IsDestroyed()) return 0;
  return QApplication::exec();
}

}  // namespace app
