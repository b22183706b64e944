#pragma once
// kbconfigctl from its arguments to its exit status, on the backend its executable links: the
// command goes to the running kbconfig when there is one, otherwise kbconfigctl does the work
// itself under kbconfig's single-instance lock.
namespace app {

// The program's log (device discovery, failures): standard error with --verbose, else nowhere;
// kbconfigctl-demo shows it always, as its emulated keyboard prints every report there.
enum class LogShown { kWithVerbose, kAlways };

int RunKbconfigctl(int argc, char** argv, LogShown log);

}  // namespace app
