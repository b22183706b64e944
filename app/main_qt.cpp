// kbconfig: the keyboard configuration program, on the backend it is linked with.
#include <QApplication>

#include "app/startup/platform_startup.h"
#include "app/startup/process_environment.h"
#include "app/startup/program.h"

int main(int argc, char** argv) {
  // Read before Qt takes its own options out of the command line.
  const bool startHidden = app::ProcessStartsHidden(argc, argv);
  QApplication application(argc, argv);
  app::ProgramEnvironment environment = app::ProcessEnvironment();
  return app::RunProgram(environment, startHidden);
}
