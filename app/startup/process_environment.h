#pragma once
// The environment of the real program: the backend the executable is linked with, the
// process-wide models, and the folders ChooseProgramFolders finds from the executable's.
#include "app/startup/program.h"

namespace app {

// Needs the QApplication to exist (for the program's folder and the tray check). `foreground`
// tells the program in front (the backend's own by default).
ProgramEnvironment ProcessEnvironment(platform::ForegroundWatcher& foreground = platform::DefaultForegroundWatcher());

}  // namespace app
