#include "model/profiles/profile_name.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

namespace model {
namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x3000; }

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool HasForbiddenCharacter(const std::wstring& name) {
  return std::any_of(name.begin(), name.end(), IsForbiddenInName) || name.front() == L'.' || name.back() == L'.';
}

bool IsReservedName(const std::wstring& name) {
  // Windows reserves these device names also with an extension ("CON.txt") and trailing blanks.
  std::wstring stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(), FoldAscii);
  for (const wchar_t* reserved : {L"con", L"prn", L"aux", L"nul"}) {
    if (stem == reserved) return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, L"com") == 0 || stem.compare(0, 3, L"lpt") == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

}  // namespace

bool IsForbiddenInName(wchar_t c) {
  return c < 0x20 || c == 0x7F || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
}

std::wstring TrimProfileName(const std::wstring& name) {
  std::size_t first = 0;
  std::size_t last = name.size();
  while (first < last && IsBlank(name[first])) ++first;
  while (last > first && IsBlank(name[last - 1])) --last;
  return name.substr(first, last - first);
}

ProfileNameProblem CheckProfileName(const std::wstring& name, const std::vector<std::wstring>& taken) {
  const std::wstring trimmed = TrimProfileName(name);
  if (trimmed.empty()) return ProfileNameProblem::kEmpty;
  if (trimmed.size() > kMaxProfileNameLength) return ProfileNameProblem::kTooLong;
  if (HasForbiddenCharacter(trimmed)) return ProfileNameProblem::kForbiddenCharacter;
  if (IsReservedName(trimmed)) return ProfileNameProblem::kReservedName;
  for (const std::wstring& other : taken) {
    if (SameProfileName(trimmed, other)) return ProfileNameProblem::kTaken;
  }
  return ProfileNameProblem::kNone;
}

bool SameProfileName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

bool ProfileNameLess(const std::wstring& a, const std::wstring& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      // Compare the two runs of digits by value: without leading zeros, the longer is larger.
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      std::size_t startA = i;
      std::size_t startB = j;
      while (startA + 1 < endA && a[startA] == L'0') ++startA;
      while (startB + 1 < endB && b[startB] == L'0') ++startB;
      const std::wstring_view runA(a.data() + startA, endA - startA);
      const std::wstring_view runB(b.data() + startB, endB - startB);
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      if (runA != runB) return runA < runB;
      i = endA;
      j = endB;
      continue;
    }
    const wchar_t x = FoldAscii(a[i]);
    const wchar_t y = FoldAscii(b[j]);
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;  // equal but for letter case or leading zeros: still one order
}

std::wstring FreeVariantOf(const std::wstring& name, const std::vector<std::wstring>& taken) {
  auto isTaken = [&taken](const std::wstring& candidate) {
    return std::any_of(taken.begin(), taken.end(),
                       [&candidate](const std::wstring& other) { return SameProfileName(candidate, other); });
  };
  if (!isTaken(name)) return name;
  for (int number = 2;; ++number) {
    std::wstring candidate = name + L" (" + std::to_wstring(number) + L")";
    if (!isTaken(candidate)) return candidate;
  }
}

}  // namespace model
