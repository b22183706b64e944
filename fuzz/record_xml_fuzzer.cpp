// record.xml: loading never fails unsafely, a broken file is kept as record.xml.bad, every record
// survives a save and load, and from the first save on saving and loading changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/macro_steps_check.h"
#include "model/records/record_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::InputFile input = fuzz::WriteInputFile("record.xml", data, size);
  model::RecordStore store;
  if (!fuzz::LoadAndCheckKept(store, input)) return 0;

  if (!store.Save()) fuzz::Fail("loaded records could not be saved");
  model::RecordStore once;
  if (!once.Load(input.path)) fuzz::Fail("the saved record.xml does not load");
  const auto before = store.Snapshot();
  const auto after = once.Snapshot();
  if (before->size() != after->size()) fuzz::Fail("records lost in a save and load");
  for (std::size_t index = 0; index < before->size(); ++index) {
    const model::KeyRecord& a = (*before)[index];
    const model::KeyRecord& b = (*after)[index];
    if (a.code != b.code || a.name != b.name || a.group != b.group || a.type != b.type || a.play != b.play ||
        a.repeat != b.repeat) {
      fuzz::Fail("a record changed in a save and load");
    }
    fuzz::CheckStepsSurvivedSaveAndLoad(a.steps, b.steps, "record");
  }
  model::RecordStore twice;
  fuzz::CheckSecondSaveChangesNothing(once, twice, input.path);
  return 0;
}
