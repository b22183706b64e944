#pragma once
// kbconfigctl's command line: what it asks for, read from its arguments. Parsing checks the form
// (known command, known options, numbers where numbers belong); whether a value fits the keyboard
// is decided where the command runs.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ctl {

// Exit statuses, one per kind of failure.
enum ExitStatus : int {
  kOk = 0,
  kFailed = 1,      // the command could not be done (a file not saved, the port in use, ...)
  kBadUsage = 2,    // unknown command or option, a missing or malformed argument
  kNoKeyboard = 3,  // the keyboard is not there
  kBadValue = 4,    // a value out of range, an unknown effect or profile name
  kBusy = 5,        // the running program does not answer, or cannot take commands now
};

enum class Verb { kHelp, kStatus, kListEffects, kEffect, kSide, kProfile, kStopMacros, kOpenRgb };

struct Command {
  Verb verb = Verb::kHelp;
  bool json = false;
  std::string subject{};  // the effect, side effect or profile; "on", "off" or "status" for openrgb
  std::optional<int> speed{};
  std::optional<int> brightness{};
  std::optional<std::string> direction{};
  std::optional<int> colour{};
  std::optional<int> port{};
};

struct UsageError {
  std::string text{};
};

// The arguments after the program's name.
std::variant<Command, UsageError> ParseArguments(const std::vector<std::string>& arguments);

// The same arguments as one line of text and back (for the single-instance channel): the words
// joined by tabs, none of which may hold a tab or a line break.
std::optional<std::string> JoinArguments(const std::vector<std::string>& arguments);
std::vector<std::string> SplitArguments(std::string_view line);

// What --help prints.
std::string HelpText();

}  // namespace ctl
