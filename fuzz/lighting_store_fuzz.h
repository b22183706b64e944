#pragma once
// The lighting files' fuzz check, the same for ledeffect.xml and sidemodel.xml: loading always ends
// with a file that loads (the defaults replace a broken one, which is kept as <name>.bad first),
// and saving what was loaded settles after one save.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_scratch.h"

namespace fuzz {

template <typename Store>
void CheckLightingStore(const std::string& name, const std::uint8_t* data, std::size_t size) {
  const InputFile input = WriteInputFile(name, data, size);

  Store store;
  if (!LoadAndCheckKept(store, input)) {
    Store defaults;
    if (!defaults.Load(input.path)) Fail("the defaults written for a bad " + name + " do not load");
    return;
  }
  for (int index = -1; index <= Store::kRecordCount; ++index) store.RecordAt(index);

  // Values the loader puts into range (the defaults' selection 0 reads back as 1) settle in the
  // first save; from then on saving and loading changes nothing.
  if (!store.Save()) Fail("a loaded " + name + " could not be saved");
  Store once;
  if (!once.Load(input.path)) Fail("the saved " + name + " does not load");
  Store twice;
  CheckSecondSaveChangesNothing(once, twice, input.path);
  for (int index = 0; index < Store::kRecordCount; ++index) {
    if (once.RecordAt(index) != twice.RecordAt(index)) Fail("a record changed in a save and load");
  }
}

}  // namespace fuzz
