// config.xml: whatever the file holds, loading ends with a result and a usable configuration.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_scratch.h"
#include "model/config/load_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::InputFile input = fuzz::WriteInputFile("config.xml", data, size);
  model::AppConfig config;
  const bool loaded = model::LoadConfig(input.path.parent_path(), config);
  if (!loaded && (!config.mediaKeys.empty() || !config.functionKeys.empty())) {
    fuzz::Fail("a config.xml that did not load still added keys");
  }
  for (const model::FunKeyEntry& entry : config.mediaKeys) {
    if (entry.name.empty()) fuzz::Fail("a media key without a name was listed");
  }
  // The combkey parser also sees raw text as a whole.
  model::ParseCombKeySteps(std::wstring(input.bytes.begin(), input.bytes.end()));
  return 0;
}
