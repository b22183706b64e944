#include "outside/ctl/ctl_command.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace ctl {

namespace {

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (problem != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The options each command takes.
const std::map<std::string_view, std::vector<std::string_view>>& Options() {
  static const std::map<std::string_view, std::vector<std::string_view>> options = {
      {"status", {"--json"}},
      {"list-effects", {"--json"}},
      {"effect", {"--speed", "--brightness", "--direction", "--colour", "--color"}},
      {"side", {"--brightness", "--speed"}},
      {"profile", {}},
      {"stop-macros", {}},
      {"openrgb", {"--port"}},
  };
  return options;
}

const std::map<std::string_view, Verb>& Verbs() {
  static const std::map<std::string_view, Verb> verbs = {
      {"status", Verb::kStatus}, {"list-effects", Verb::kListEffects}, {"effect", Verb::kEffect},
      {"side", Verb::kSide},     {"profile", Verb::kProfile},          {"stop-macros", Verb::kStopMacros},
      {"openrgb", Verb::kOpenRgb}};
  return verbs;
}

bool TakesSubject(Verb verb) {
  return verb == Verb::kEffect || verb == Verb::kSide || verb == Verb::kProfile || verb == Verb::kOpenRgb;
}

}  // namespace

std::variant<Command, UsageError> ParseArguments(const std::vector<std::string>& arguments) {
  Command command;
  if (arguments.empty()) return UsageError{"no command given (kbconfigctl --help lists them)"};
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help")) {
    return command;
  }
  const auto verb = Verbs().find(arguments[0]);
  if (verb == Verbs().end()) return UsageError{"unknown command \"" + arguments[0] + "\" (kbconfigctl --help lists them)"};
  command.verb = verb->second;
  const std::vector<std::string_view>& allowed = Options().at(verb->first);
  for (std::size_t n = 1; n < arguments.size(); ++n) {
    const std::string& word = arguments[n];
    if (word == "--help" || word == "-h") return Command{};
    if (word.rfind("--", 0) != 0) {
      if (!TakesSubject(command.verb) || !command.subject.empty()) {
        return UsageError{"unexpected argument \"" + word + "\" for " + arguments[0]};
      }
      command.subject = word;
      continue;
    }
    if (std::find(allowed.begin(), allowed.end(), word) == allowed.end()) {
      return UsageError{"unknown option \"" + word + "\" for " + arguments[0]};
    }
    if (word == "--json") {
      command.json = true;
      continue;
    }
    if (n + 1 == arguments.size()) return UsageError{"option " + word + " needs a value"};
    const std::string& value = arguments[++n];
    if (word == "--direction") {
      command.direction = value;
      continue;
    }
    const std::optional<int> number = Number(value);
    if (!number) return UsageError{"option " + word + " needs a number, not \"" + value + "\""};
    if (word == "--speed") command.speed = number;
    if (word == "--brightness") command.brightness = number;
    if (word == "--colour" || word == "--color") command.colour = number;
    if (word == "--port") command.port = number;
  }
  if (TakesSubject(command.verb) && command.subject.empty()) {
    const char* what = command.verb == Verb::kProfile   ? "a profile name"
                       : command.verb == Verb::kOpenRgb ? "on, off or status"
                                                        : "an effect name or number";
    return UsageError{arguments[0] + " needs " + what};
  }
  if (command.verb == Verb::kSide && command.speed && command.brightness) {
    return UsageError{"side takes --speed or --brightness, not both (they are the same setting)"};
  }
  if (command.verb == Verb::kOpenRgb && command.subject != "on" && command.subject != "off" &&
      command.subject != "status") {
    return UsageError{"openrgb takes on, off or status, not \"" + command.subject + "\""};
  }
  return command;
}

std::optional<std::string> JoinArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& word : arguments) {
    if (word.find_first_of("\t\r\n") != std::string::npos) return std::nullopt;
    if (!line.empty()) line += '\t';
    line += word;
  }
  return line;
}

std::vector<std::string> SplitArguments(std::string_view line) {
  std::vector<std::string> words;
  if (line.empty()) return words;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    words.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return words;
    start = tab + 1;
  }
}

std::string HelpText() {
  return R"(Usage: kbconfigctl <command> [options]

Sets the keyboard's lighting from a script or a terminal. While kbconfig runs, the command goes
to it, so its window, its files and the keyboard stay in step; otherwise kbconfigctl does the
work itself.

Commands:
  status [--json]              the keyboard, its firmware, the active profile, the effect and
                               the side light with their settings
  list-effects [--json]        every effect and side effect with its number and settings
  effect <name|number> [--speed N] [--brightness N] [--direction left|right] [--colour N]
                               chooses an effect; the values left out keep what it had
  side <name|number> [--brightness N]
                               chooses a side light effect (--speed for the first three, whose
                               one setting is their speed)
  profile <name>               makes a profile the active one
  stop-macros                  ends every macro that is playing and lets go of its keys
  openrgb on [--port N] | off | status
                               lighting control from other programs (the OpenRGB SDK server)
  --help                       this text
  --verbose                    (with any command) the log of what kbconfigctl did, on standard error

Effects are named as kbconfig's window names them (in its language, or in English), or
numbered from 0. Speed and brightness are 0 to 4 (side light 0 to 7), colour 1 or 2.

Exit status: 0 done, 1 failed, 2 bad usage, 3 no keyboard, 4 a value out of range or an unknown
name, 5 kbconfig is busy or does not answer.
)";
}

}  // namespace ctl
