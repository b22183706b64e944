// sidemodel.xml: see CheckLightingStore.
#include <cstddef>
#include <cstdint>

#include "fuzz/lighting_store_fuzz.h"
#include "model/lighting/side_model_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckLightingStore<model::SideModelStore>("sidemodel.xml", data, size);
  return 0;
}
