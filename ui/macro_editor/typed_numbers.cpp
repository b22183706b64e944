#include "ui/macro_editor/typed_numbers.h"

#include <cstdint>
#include <cwctype>
#include <limits>

#include "model/records/repeat_count.h"

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

std::optional<int> ReadDelayInRange(std::wstring_view text) {
  const std::optional<int> delay = ReadDelayText(text);
  if (!delay || *delay < 0 || *delay > kMaxDelayMs) return std::nullopt;
  return delay;
}

std::optional<int> ReadRepeatCount(std::wstring_view text) {
  const std::optional<int> count = ReadDelayText(text);
  if (!count || *count < model::kMinRepeatCount || *count > model::kMaxRepeatCount) return std::nullopt;
  return count;
}

}  // namespace macro
