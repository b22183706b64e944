// macro.xml: loading never fails unsafely, a broken file is kept as macro.xml.bad, every step
// survives a save and load, and from the first save on saving and loading changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "model/macro/macro_library.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFolder folder;
  const std::string_view input = fuzz::AsText(data, size);
  const auto file = folder.WriteInput("macro.xml", input);

  model::MacroLibrary library;
  const bool loaded = library.Load(file);
  fuzz::CheckKeptWhenMalformed(file, input);
  if (!loaded) return 0;

  for (int index = -1; index <= library.GroupCount(); ++index) library.GroupAt(index);
  if (!library.Save()) fuzz::Fail("a loaded macro library could not be saved");
  model::MacroLibrary once;
  if (!once.Load(file)) fuzz::Fail("the saved macro.xml does not load");
  if (once.GroupCount() != library.GroupCount()) fuzz::Fail("groups lost in a save and load");
  for (int index = 0; index < library.GroupCount(); ++index) {
    const model::MacroGroup& before = *library.GroupAt(index);
    const model::MacroGroup& after = *once.GroupAt(index);
    if (before.name != after.name || before.steps.size() != after.steps.size()) fuzz::Fail("a group changed");
    for (std::size_t step = 0; step < before.steps.size(); ++step) {
      const model::MacroStep& a = before.steps[step];
      const model::MacroStep& b = after.steps[step];
      // A negative state is written as unsigned and reads back saturated; everything else is kept.
      if (a.code != b.code || a.delay != b.delay || a.name != b.name || (a.state >= 0 && a.state != b.state)) {
        fuzz::Fail("a macro step changed in a save and load");
      }
    }
  }
  if (!once.Save()) fuzz::Fail("macro.xml could not be saved again");
  const std::string saved = fuzz::ReadOrFail(file);
  model::MacroLibrary twice;
  if (!twice.Load(file) || !twice.Save() || fuzz::ReadOrFail(file) != saved) {
    fuzz::Fail("macro.xml changed in a second save and load");
  }
  return 0;
}
