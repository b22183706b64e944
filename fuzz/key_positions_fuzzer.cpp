// The keyboard picture's key-position file: whatever the file holds, loading gives a list of keys
// whose rectangles are well formed (never a negative width or height).
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_scratch.h"
#include "model/keyboard_layout/key_position_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::InputFile input = fuzz::WriteInputFile("keyboard_positions.xml", data, size);
  for (const model::KeySpot& spot : model::LoadKeyPositions(input.path)) {
    if (spot.rect.right < spot.rect.left || spot.rect.bottom < spot.rect.top) {
      fuzz::Fail("a key's rectangle has a negative width or height");
    }
  }
  return 0;
}
