// ledeffect.xml: see CheckLightingStore.
#include <cstddef>
#include <cstdint>

#include "fuzz/lighting_store_fuzz.h"
#include "model/lighting/led_effect_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckLightingStore<model::LedEffectStore>("ledeffect.xml", data, size);
  return 0;
}
