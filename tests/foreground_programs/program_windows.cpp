#include "foreground_programs/program_windows.h"

namespace fgtest {

std::optional<ThreeWindows> ProgramWindows::StartThreeWindows(std::string& error) {
  ThreeWindows three;
  three.a = Start("foreground_program_a", {}, error);
  three.b = three.a < 0 ? -1 : Start("foreground_program_b", {}, error);
  three.own = three.b < 0 ? -1 : StartOwnWindow(error);
  if (three.own < 0) return std::nullopt;
  return three;
}

}  // namespace fgtest
