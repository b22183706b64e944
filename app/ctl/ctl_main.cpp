// kbconfigctl: the keyboard's lighting from a script or a terminal, on the platform's backend.
#include "app/ctl/ctl_program.h"

int main(int argc, char** argv) { return app::RunKbconfigctl(argc, argv, app::LogShown::kWithVerbose); }
