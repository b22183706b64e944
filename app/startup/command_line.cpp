#include "app/startup/command_line.h"

#include <cstring>

namespace app {

bool StartsHidden(int argc, const char* const* argv) {
  return argc == 2 && argv != nullptr && argv[1] != nullptr && std::strcmp(argv[1], kStartHiddenOption) == 0;
}

}  // namespace app
