// libFuzzer's start-up hook for targets whose loaders log every malformed input: silences the log.
#include "fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceLog();
  return 0;
}
