#include "support/path_text.h"

#include <type_traits>

#include "support/text.h"

namespace support {
namespace {

// The native form is UTF-16 on Windows and bytes (UTF-8 by convention) elsewhere; our own
// conversions of either never throw.
template <typename Native>
constexpr bool kIsWide = std::is_same_v<typename Native::value_type, wchar_t>;

template <typename Native>
std::string Utf8Of(const Native& native) {
  if constexpr (kIsWide<Native>) {
    return WideToUtf8(native);
  } else {
    return WideToUtf8(Utf8ToWide(native));
  }
}

template <typename Native>
std::wstring WideOf(const Native& native) {
  if constexpr (kIsWide<Native>) {
    return native;
  } else {
    return Utf8ToWide(native);
  }
}

template <typename Native>
Native NativeOfWide(std::wstring_view text) {
  if constexpr (kIsWide<Native>) {
    return Native(text);
  } else {
    return WideToUtf8(text);
  }
}

template <typename Native>
Native NativeOfUtf8(std::string_view text) {
  if constexpr (kIsWide<Native>) {
    return Utf8ToWide(text);
  } else {
    return Native(text);
  }
}

}  // namespace

std::string PathToUtf8(const std::filesystem::path& path) { return Utf8Of(path.native()); }

std::wstring PathToWide(const std::filesystem::path& path) { return WideOf(path.native()); }

std::filesystem::path PathFromWide(std::wstring_view text) {
  return std::filesystem::path(NativeOfWide<std::filesystem::path::string_type>(text));
}

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(NativeOfUtf8<std::filesystem::path::string_type>(text));
}

}  // namespace support
