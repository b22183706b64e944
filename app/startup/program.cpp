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
#include "model/config/load_config.h"
#include "support/logger.h"
#include "ui/key_assignment/key_assignment.h"
#include "ui/main_window/main_dlg.h"
#include "ui/toolkit/layout_loader.h"
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
  if (environment.ensureVirtualDevice) environment.ensureVirtualDevice();
  environment.virtualDevice.ReleaseAll();
  if (environment.changeWorkingFolder &&
      !QDir::setCurrent(QString::fromStdWString(environment.programFolder.wstring()))) {
    support::LogFailure("RunProgram: set working folder", environment.programFolder.string());
  }

  ui::ResourcePackage package;
  if (!package.Open(environment.programFolder / "uires")) {
    // Without the package there is no layout for the program's own box: Qt's box tells the user.
    const QString text = QStringLiteral("kbconfig cannot start: its resources are unreadable (%1).")
                             .arg(QString::fromStdString(package.LastError()));
    if (environment.showMessage) {
      environment.showMessage(nullptr, QStringLiteral("Error"), text, ui::MessageButtons::kOk);
    } else {
      QMessageBox::critical(nullptr, QStringLiteral("kbconfig"), text);
    }
    return 1;
  }
  qApp->setStyleSheet(package.ReadText("values:skin"));
  ui::LayoutLoader loader(package, environment.programFolder);

  model::LoadConfig(environment.programFolder, environment.config);
  ui::LanguageSwitcher language(package);
  language.Switch(environment.config.useChinese ? "lang_cn" : "lang_en");

  LoadDataFiles(environment.programFolder, environment.macros, environment.records, environment.sides,
                environment.effects);

  const QString instanceName = package.NamedString(0).value_or(QStringLiteral("kbconfig"));
  SingleInstance instance(instanceName, environment.lockFolder);
  if (instance.Acquire() == SingleInstance::Role::kAnotherRunning) return 0;

  ui::CMainDlg window(ui::MainDlgServices{.hid = environment.hid,
                                          .filters = environment.filters,
                                          .virtualDevice = environment.virtualDevice,
                                          .config = environment.config,
                                          .effects = environment.effects,
                                          .sides = environment.sides,
                                          .records = environment.records,
                                          .macros = environment.macros,
                                          .clock = environment.clock,
                                          .package = package,
                                          .loader = loader,
                                          .language = language,
                                          .instanceName = instanceName,
                                          .trayAvailable = environment.trayAvailable,
                                          .showMessage = environment.showMessage});
  if (!window.Create()) return 1;
  // A click on a key of the picture opens the macro editor; its result becomes the key's record.
  std::unique_ptr<assign::KeyAssignment> keyAssignment;
  if (SOUI::CoordButtonImage* image = window.KeyboardImage()) {
    keyAssignment = std::make_unique<assign::KeyAssignment>(assign::KeyAssignment::Dependencies{
        environment.records, environment.macros, environment.config, window.KeyFilter(), *image,
        [&window] { return window.IsKeyboardOpen(); },
        assign::ModalEditorRunner(loader, environment.config, &window)});
    window.SetKeyAssignmentHandler([&assignment = *keyAssignment](std::int32_t id, const std::wstring& name,
                                                                 std::int32_t up, std::uint32_t flags,
                                                                 std::int32_t x, std::int32_t y) {
      return assignment.OnCoordButtonClick(id, name, up, flags, x, y);
    });
  }
  QObject::connect(&instance, &SingleInstance::ActivationRequested, &window, [&window] {
    window.BringToFront();
    TakeForeground(window);
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
