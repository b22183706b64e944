// The resource package's index: whatever index.xml holds, every file it gives lies inside the
// resource folder, under a lower-case name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "model/resources/resource_index.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::InputFile input = fuzz::WriteInputFile(model::kResourceIndexFileName, data, size);
  const std::filesystem::path root = input.path.parent_path();
  std::string error;
  const std::optional<model::ResourceIndex> index = model::LoadResourceIndex(root, error);
  if (!index) {
    if (error.empty()) fuzz::Fail("a refused index gave no reason");
    return 0;
  }
  if (index->files.empty()) fuzz::Fail("an index naming no files was accepted");
  for (const auto& [key, path] : index->files) {
    if (model::ResourceKey(key) != key) fuzz::Fail("a resource name is not in lower case: " + key);
    const std::filesystem::path inside = path.lexically_normal().lexically_relative(root.lexically_normal());
    if (inside.empty() || *inside.begin() == ".." || *inside.begin() == "." || inside.is_absolute()) {
      fuzz::Fail("resource " + key + " lies outside the resource folder: " + path.string());
    }
  }
  return 0;
}
