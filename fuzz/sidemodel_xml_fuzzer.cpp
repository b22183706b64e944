// sidemodel.xml: loading always ends with a file that loads (the defaults replace a broken one, which
// is kept as sidemodel.xml.bad first), and saving what was loaded settles after one save.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_scratch.h"
#include "model/lighting/side_model_store.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFolder folder;
  const std::string_view input = fuzz::AsText(data, size);
  const auto file = folder.WriteInput("sidemodel.xml", input);

  model::SideModelStore store;
  const bool loaded = store.Load(file);
  fuzz::CheckKeptWhenMalformed(file, input);
  if (!loaded) {
    model::SideModelStore defaults;
    if (!defaults.Load(file)) fuzz::Fail("the defaults written for a bad sidemodel.xml do not load");
    return 0;
  }
  for (int index = -1; index <= model::SideModelStore::kRecordCount; ++index) store.RecordAt(index);

  // Values the loader puts into range (the defaults' selection 0 reads back as 1) settle in the
  // first save; from then on saving and loading changes nothing.
  if (!store.Save()) fuzz::Fail("a loaded sidemodel.xml could not be saved");
  model::SideModelStore once;
  if (!once.Load(file) || !once.Save()) fuzz::Fail("the saved sidemodel.xml does not load and save");
  const std::string saved = fuzz::ReadOrFail(file);
  model::SideModelStore twice;
  if (!twice.Load(file) || !twice.Save() || fuzz::ReadOrFail(file) != saved) {
    fuzz::Fail("sidemodel.xml changed in a second save and load");
  }
  for (int index = 0; index < model::SideModelStore::kRecordCount; ++index) {
    if (once.RecordAt(index) != twice.RecordAt(index)) fuzz::Fail("a record changed in a save and load");
  }
  return 0;
}
