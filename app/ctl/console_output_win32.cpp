#include <windows.h>

#include "app/ctl/console_output.h"

namespace app {

void PrepareConsoleOutput() { ::SetConsoleOutputCP(CP_UTF8); }

}  // namespace app
