// kbconfigctl-demo: kbconfigctl on the emulated keyboard, which prints every report it receives.
#include "app/ctl/ctl_program.h"

int main(int argc, char** argv) { return app::RunKbconfigctl(argc, argv, app::LogShown::kAlways); }
