#pragma once
// Profile names. A further profile's name is also the name of its folder, so a name must be a
// folder name on every system the program runs on: no characters that Windows refuses, not one
// of its device names, no leading dot (those folders are the program's own) and no trailing dot or
// blank. Names are told apart without regard to letter case, as Windows does.
#include <cstddef>
#include <string>
#include <vector>

namespace model {

inline constexpr std::size_t kMaxProfileNameLength = 64;

enum class ProfileNameProblem {
  kNone,
  kEmpty,
  kTooLong,             // more than kMaxProfileNameLength characters
  kForbiddenCharacter,  // < > : " / \ | ? *, a control character, a leading dot, a trailing dot
  kReservedName,        // CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 (with any extension)
  kTaken,               // another profile has it
};

// A character no file or folder name may hold on Windows: < > : " / \ | ? * or a control character.
bool IsForbiddenInName(wchar_t c);

// `name` without blanks at either end.
std::wstring TrimProfileName(const std::wstring& name);

// What is wrong with `name` (trimmed) as the name of a profile beside those named `taken`.
ProfileNameProblem CheckProfileName(const std::wstring& name, const std::vector<std::wstring>& taken);

// Equal but for the letter case of ASCII letters.
bool SameProfileName(const std::wstring& a, const std::wstring& b);

// Orders names as a user expects: letter case ignored, runs of digits by their value ("Profile 2"
// before "Profile 10").
bool ProfileNameLess(const std::wstring& a, const std::wstring& b);

// `name` when it is not taken, else "<name> (2)", "<name> (3)", ... the first that is free.
std::wstring FreeVariantOf(const std::wstring& name, const std::vector<std::wstring>& taken);

}  // namespace model
