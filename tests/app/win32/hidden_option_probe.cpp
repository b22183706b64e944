// Started by platform_startup_test.cpp with a raw command line of its choosing: exits with 1 when
// that command line starts the program hidden, 0 otherwise.
#include "app/startup/platform_startup.h"

int main(int argc, char** argv) { return app::ProcessStartsHidden(argc, argv) ? 1 : 0; }
