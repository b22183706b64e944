#pragma once
// The pages of the macro editor and the results it closes with.
namespace macro {

inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;
inline constexpr int kResultDelete = 65596;

// Tab pages of "tab_macro_mode_selection", equal to the library's `type`.
inline constexpr int kPageMacro = 0;
inline constexpr int kPageSingleKey = 1;
inline constexpr int kPageMediaKey = 2;
inline constexpr int kPageFunctionKey = 3;

}  // namespace macro
