// macro.xml: loading never fails unsafely, a broken file is kept as macro.xml.bad, every step
// survives a save and load, and from the first save on saving and loading changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/macro_steps_check.h"
#include "model/macro/macro_library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::InputFile input = fuzz::WriteInputFile("macro.xml", data, size);
  model::MacroLibrary library;
  if (!fuzz::LoadAndCheckKept(library, input)) return 0;

  for (int index = -1; index <= library.GroupCount(); ++index) library.GroupAt(index);
  if (!library.Save()) fuzz::Fail("a loaded macro library could not be saved");
  model::MacroLibrary once;
  if (!once.Load(input.path)) fuzz::Fail("the saved macro.xml does not load");
  if (once.GroupCount() != library.GroupCount()) fuzz::Fail("groups lost in a save and load");
  for (int index = 0; index < library.GroupCount(); ++index) {
    const model::MacroGroup& before = *library.GroupAt(index);
    const model::MacroGroup& after = *once.GroupAt(index);
    if (before.name != after.name) fuzz::Fail("a group changed");
    fuzz::CheckStepsSurvivedSaveAndLoad(before.steps, after.steps, "macro group");
  }
  model::MacroLibrary twice;
  fuzz::CheckSecondSaveChangesNothing(once, twice, input.path);
  return 0;
}
