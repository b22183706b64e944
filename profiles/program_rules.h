#pragma once
// Which profile the program in front brings, by the rules of the settings.
#include <optional>
#include <string>

#include "model/settings/settings.h"
#include "platform/foreground.h"

namespace profiles {

// Whether `rule` names `program`. Letter case of ASCII letters is ignored and "/" and "\" are
// one separator, so a rule written on either system reads the same:
// - by name: the executable's file name, with or without its extension ("game" names game.exe);
// - by path: the executable's full path;
// - by folder: a folder that holds the executable at any depth (a trailing separator is optional);
// - by window class: the window's class.
bool RuleMatches(const model::ProgramRule& rule, const platform::ForegroundProgram& program);

// The profile `program` brings: that of the first rule that names it, else the default profile.
// Nothing when it brings no change: this program itself is in front, or switching by program is
// off.
std::optional<std::wstring> ProfileForProgram(const model::Settings& settings,
                                              const platform::ForegroundProgram& program);

}  // namespace profiles
