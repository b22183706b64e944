#pragma once
// The text shown for an assigned key on the keyboard picture.
#include <string>

namespace ui {

// The key's name, then " : " and the assignment's display name in the current language when that
// name is not empty.
std::wstring KeyLabel(const std::wstring& keyName, const std::wstring& displayName);

}  // namespace ui
