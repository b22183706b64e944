// ParseDevicePath: any text, as UTF-8 or as raw wide characters, gives nothing or numbers in the
// ranges their fields allow.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "device/discovery/device_path.h"
#include "fuzz/fuzz_scratch.h"
#include "support/text.h"

namespace {

std::wstring PathFrom(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const std::uint8_t mode = data[0];
  ++data;
  --size;
  if ((mode & 1) == 0) return support::Utf8ToWide(fuzz::AsText(data, size));
  std::wstring raw(size / sizeof(wchar_t), L'\0');
  std::memcpy(raw.data(), data, raw.size() * sizeof(wchar_t));
  return raw;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring path = PathFrom(data, size);
  const auto ids = device::ParseDevicePath(path);
  if (!ids) return 0;
  if (ids->vid < 0 || ids->vid > 0xFFFF || ids->pid < 0 || ids->pid > 0xFFFF) fuzz::Fail("vid or pid out of range");
  if (ids->interface < -1 || ids->interface > 0xFF) fuzz::Fail("interface out of range");
  if (ids->collection < -1 || ids->collection > 0xFF) fuzz::Fail("collection out of range");
  return 0;
}
