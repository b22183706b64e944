// kbconfig-demo: the program against an emulated keyboard, key filter and virtual HID device.
// The keyboard logs every report it receives as a line of hex bytes, the virtual device logs
// the keys it would press, and the key filter is fed from the keys typed into the windows. The
// program in front is the window system's own where it can be told, else emulated.
#include <QApplication>

#include "app/demo/demo_key_feeder.h"
#include "app/startup/platform_startup.h"
#include "app/startup/process_environment.h"
#include "app/startup/program.h"
#include "platform/sim/sim_foreground_watcher.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_keyboard.h"
#include "platform/sim/sim_process.h"
#include "platform/sim/sim_virtual_hid.h"

int main(int argc, char** argv) {
  const bool startHidden = app::ProcessStartsHidden(argc, argv);
  QApplication application(argc, argv);

  sim::DemoKeyboard();  // logs every report it receives
  sim::DemoVirtualHid().SetLogKeys(true);
  sim::SimKeyFilterDriver& filter = sim::DemoKeyFilter();
  filter.SetLogEvents(true);
  sim::DemoProcesses().SetExecutablePath(QCoreApplication::applicationFilePath().toStdWString());
  app::DemoKeyFeeder feeder(
      [&filter](std::uint32_t code, bool down) { return down ? filter.PressKey(code) : filter.ReleaseKey(code); },
      [&filter](std::uint32_t code) { return filter.IsCaptured(code); });
  application.installEventFilter(&feeder);

  // The program in front: the window system's own where it can tell, so rules can be tried with
  // real programs; else an emulated one, which the rules' editor lets the user bring to the front.
  platform::ForegroundWatcher& system = platform::SystemForegroundWatcher();
  const bool systemTells = system.Available();
  app::ProgramEnvironment environment =
      app::ProcessEnvironment(systemTells ? system : static_cast<platform::ForegroundWatcher&>(sim::DemoForegroundWatcher()));
  if (!systemTells) {
    environment.pretendForeground = [](const platform::ForegroundProgram& program) {
      sim::DemoForegroundWatcher().BringToFront(program);
    };
  }
  return app::RunProgram(environment, startHidden);
}
