#include "ui/macro_editor/delay_text.h"

#include <cstdint>
#include <cwctype>
#include <limits>

namespace macro {

std::optional<int> ReadDelayText(std::wstring_view text) {
  std::size_t at = 0;
  while (at < text.size() && std::iswspace(static_cast<wint_t>(text[at]))) ++at;
  if (at == text.size()) return 0;

  bool negative = false;
  if (text[at] == L'+' || text[at] == L'-') {
    negative = text[at] == L'-';
    ++at;
  }
  if (at == text.size() || text[at] < L'0' || text[at] > L'9') return std::nullopt;

  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    magnitude = magnitude * 10 + (text[at] - L'0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

}  // namespace macro
