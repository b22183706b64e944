// record.xml: loading never fails unsafely, a broken file is kept as record.xml.bad, every record
// survives a save and load, and from the first save on saving and loading changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "model/records/record_store.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFolder folder;
  const std::string_view input = fuzz::AsText(data, size);
  const auto file = folder.WriteInput("record.xml", input);

  model::RecordStore store;
  const bool loaded = store.Load(file);
  fuzz::CheckKeptWhenMalformed(file, input);
  if (!loaded) return 0;

  if (!store.Save()) fuzz::Fail("loaded records could not be saved");
  model::RecordStore once;
  if (!once.Load(file)) fuzz::Fail("the saved record.xml does not load");
  const auto before = store.Snapshot();
  const auto after = once.Snapshot();
  if (before->size() != after->size()) fuzz::Fail("records lost in a save and load");
  for (std::size_t index = 0; index < before->size(); ++index) {
    const model::KeyRecord& a = (*before)[index];
    const model::KeyRecord& b = (*after)[index];
    if (a.code != b.code || a.name != b.name || a.group != b.group || a.type != b.type || a.play != b.play ||
        a.repeat != b.repeat || a.steps.size() != b.steps.size()) {
      fuzz::Fail("a record changed in a save and load");
    }
    for (std::size_t step = 0; step < a.steps.size(); ++step) {
      const model::MacroStep& x = a.steps[step];
      const model::MacroStep& y = b.steps[step];
      if (x.code != y.code || x.delay != y.delay || x.name != y.name || (x.state >= 0 && x.state != y.state)) {
        fuzz::Fail("a record step changed in a save and load");
      }
    }
  }
  if (!once.Save()) fuzz::Fail("record.xml could not be saved again");
  const std::string saved = fuzz::ReadOrFail(file);
  model::RecordStore twice;
  if (!twice.Load(file) || !twice.Save() || fuzz::ReadOrFail(file) != saved) {
    fuzz::Fail("record.xml changed in a second save and load");
  }
  return 0;
}
