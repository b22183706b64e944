#pragma once
// Runs one kbconfigctl command against a target and says what to print and how to exit. Values
// are checked against the effects' ranges before anything changes: a refused command changes
// nothing.
#include <string>

#include "outside/ctl/ctl_command.h"
#include "outside/ctl/ctl_target.h"

namespace ctl {

struct Result {
  int exit = kOk;
  std::string out{};    // standard output
  std::string error{};  // one line for standard error (empty when none)
};

Result Run(const Command& command, Target& target);

// A usage error as a result (exit status 2).
Result UsageResult(const UsageError& error);

// Reads the arguments and runs the command they give.
Result RunArguments(const std::vector<std::string>& arguments, Target& target);

}  // namespace ctl
