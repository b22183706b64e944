#include "app/ctl/console_output.h"

namespace app {

void PrepareConsoleOutput() {}

}  // namespace app
