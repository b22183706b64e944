// settings.xml: loading never fails unsafely, a broken file is kept as settings.xml.bad, every
// setting survives a save and load, and from the first save on saving and loading changes nothing.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_scratch.h"
#include "model/settings/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::InputFile input = fuzz::WriteInputFile("settings.xml", data, size);
  model::SettingsStore store;
  if (!fuzz::LoadAndCheckKept(store, input)) return 0;

  if (!store.Save()) fuzz::Fail("loaded settings could not be saved");
  model::SettingsStore once;
  if (!once.Load(input.path)) fuzz::Fail("the saved settings.xml does not load");
  if (!(once.Current() == store.Current())) fuzz::Fail("a setting changed in a save and load");
  model::SettingsStore twice;
  fuzz::CheckSecondSaveChangesNothing(once, twice, input.path);
  return 0;
}
